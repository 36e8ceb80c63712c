// Sprite, Shape and Text as plain values: what their setters and builders
// store. Nothing here needs an OpenGL context.
#include "graphics/Shape.h"
#include "graphics/Sprite.h"
#include "graphics/Text.h"

#include <gtest/gtest.h>

namespace {

void expect_vec4(const Vec4f& v, float a, float b, float c, float d) {
    EXPECT_FLOAT_EQ(v.x1, a);
    EXPECT_FLOAT_EQ(v.y1, b);
    EXPECT_FLOAT_EQ(v.x2, c);
    EXPECT_FLOAT_EQ(v.y2, d);
}

}  // namespace

TEST(Sprite, DefaultsDrawNothingUntilTextured) {
    Sprite sprite;
    EXPECT_EQ(sprite.texture(), nullptr);
    EXPECT_FLOAT_EQ(sprite.size().x, 0);
    EXPECT_FLOAT_EQ(sprite.scale().x, 1);
    EXPECT_FLOAT_EQ(sprite.scale().y, 1);
    EXPECT_FLOAT_EQ(sprite.rotation(), 0);
    expect_vec4(sprite.colour(), 1, 1, 1, 1);
    expect_vec4(sprite.texture_rect(), 0, 0, 1, 1);
}

TEST(Sprite, TextureRectWithoutATextureAreaKeepsTheRectangle) {
    Texture flat;
    flat.set_size(Vec2i{100, 0});
    Sprite sprite;
    sprite.set_texture_rect(Vec2f{10, 10}, Vec2f{10, 10});
    expect_vec4(sprite.texture_rect(), 0, 0, 1, 1);
    sprite.set_texture(&flat);
    sprite.set_texture_rect(Vec2f{10, 10}, Vec2f{10, 10});
    expect_vec4(sprite.texture_rect(), 0, 0, 1, 1);
}

TEST(Sprite, AlphaIsTheColoursFourthComponent) {
    Sprite sprite;
    sprite.set_colour(Vec4f{0.1f, 0.2f, 0.3f, 0.4f});
    sprite.set_alpha(0.5f);
    expect_vec4(sprite.colour(), 0.1f, 0.2f, 0.3f, 0.5f);
    EXPECT_FLOAT_EQ(sprite.alpha(), 0.5f);
}

TEST(Shape, BuildersLayTheirEntriesOut) {
    const Vec4f outline{1, 0, 0, 1};
    const Vec4f fill{0, 1, 0, 0.5f};
    Shape shape;
    EXPECT_EQ(shape.kind(), 0u);

    shape.set_circle(Vec2f{50, 50}, Vec2f{8, 4}, 16, outline, fill, 2);
    EXPECT_EQ(shape.kind(), 3u);
    ASSERT_EQ(shape.points().size(), 2u);
    EXPECT_FLOAT_EQ(shape.points()[0].x, 50);
    EXPECT_FLOAT_EQ(shape.points()[1].x, 8);
    EXPECT_FLOAT_EQ(shape.points()[1].y, 4);
    ASSERT_EQ(shape.records().size(), 2u);
    expect_vec4(shape.records()[0], 1, 0, 0, 1);
    expect_vec4(shape.records()[1], 0, 1, 0, 0.5f);
    EXPECT_EQ(shape.floats(), (std::vector<float>{16, 2}));

    // A rectangle built over the circle keeps none of its points.
    shape.set_rectangle(Vec2f{10, 20}, Vec2f{30, 40}, outline, fill, 1);
    EXPECT_EQ(shape.kind(), 2u);
    EXPECT_TRUE(shape.points().empty());
    ASSERT_EQ(shape.records().size(), 3u);
    expect_vec4(shape.records()[0], 10, 20, 30, 40);
    expect_vec4(shape.records()[1], 1, 0, 0, 1);
    expect_vec4(shape.records()[2], 0, 1, 0, 0.5f);
    EXPECT_EQ(shape.floats(), (std::vector<float>{1}));

    Shape bounds;
    bounds.set_rectangle_bounds(Vec4f{10, 20, 30, 40}, outline, fill, 1);
    EXPECT_EQ(bounds.kind(), 2u);
    expect_vec4(bounds.records()[0], 10, 20, 30, 40);

    shape.set_line(Vec4f{1, 2, 3, 4}, outline, 3);
    EXPECT_EQ(shape.kind(), 1u);
    ASSERT_EQ(shape.records().size(), 2u);
    expect_vec4(shape.records()[0], 1, 2, 3, 4);
    EXPECT_EQ(shape.floats(), (std::vector<float>{3}));

    shape.set_kind4(Vec4f{1, 1, 1, 1}, 2, Vec4f{3, 3, 3, 3}, Vec4f{4, 4, 4, 4}, 5);
    EXPECT_EQ(shape.kind(), 4u);
    EXPECT_TRUE(shape.points().empty());
    ASSERT_EQ(shape.records().size(), 3u);
    expect_vec4(shape.records()[1], 3, 3, 3, 3);
    expect_vec4(shape.records()[2], 4, 4, 4, 4);
    EXPECT_EQ(shape.floats(), (std::vector<float>{2, 5}));

    shape.clear();
    EXPECT_EQ(shape.kind(), 0u);
    EXPECT_TRUE(shape.records().empty());
    EXPECT_TRUE(shape.floats().empty());
}

TEST(Shape, RebuildingKeepsTheStorage) {
    Shape shape;
    shape.set_circle(Vec2f{1, 1}, Vec2f{1, 1}, 8, Vec4f{}, Vec4f{}, 1);
    const Vec4f* records = shape.records().data();
    const float* floats = shape.floats().data();
    shape.set_circle(Vec2f{2, 2}, Vec2f{2, 2}, 9, Vec4f{}, Vec4f{}, 1);
    EXPECT_EQ(shape.records().data(), records);
    EXPECT_EQ(shape.floats().data(), floats);
}

TEST(Text, DefaultsAndAlpha) {
    Text text;
    EXPECT_EQ(text.font(), nullptr);
    // The getter returns a copy, and a copy of the null String is empty.
    EXPECT_EQ(text.string().size(), 0u);
    EXPECT_FLOAT_EQ(text.scale().x, 1);
    EXPECT_FLOAT_EQ(text.scale().y, 1);
    expect_vec4(text.colour(), 1, 1, 1, 1);
    text.set_alpha(0.5f);
    expect_vec4(text.colour(), 1, 1, 1, 0.5f);
    text.set_string("score");
    EXPECT_EQ(text.string(), String("score"));
}
