// The Renderer on real OpenGL: off-screen pass, compositing and every
// primitive, checked pixel by pixel in the window and in the target texture.
#include "graphics/Renderer.h"
#include "tests/graphics/GlWindow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <random>

namespace {

constexpr Rgba black{0, 0, 0, 255};
constexpr Rgba clear_texel{0, 0, 0, 0};
// 128 / 255: an alpha whose products with 0 and 255 are whole bytes.
constexpr float half = 128.0f / 255.0f;

const Vec4f no_colour{0, 0, 0, 0};
const Vec4f red{1, 0, 0, 1};
const Vec4f green{0, 1, 0, 1};
const Vec4f blue{0, 0, 1, 1};
const Vec4f white{1, 1, 1, 1};

Image filled(int width, int height, Rgba pixel) {
    return Image{width, height, std::vector<Rgba>(static_cast<size_t>(width) * height, pixel)};
}

void paint(Image& image, int x1, int y1, int x2, int y2, Rgba pixel) {
    for (int y = y1; y < y2; ++y)
        for (int x = x1; x < x2; ++x)
            image.pixels[static_cast<size_t>(y) * image.width + x] = pixel;
}

// The target's texture turned upright (its row 0 is the picture's bottom).
Image upright(const Image& image) {
    Image flipped = image;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            flipped.pixels[static_cast<size_t>(y) * image.width + x] =
                image.at(x, image.height - 1 - y);
    return flipped;
}

bool near(const Rgba& got, const Rgba& want, int tolerance) {
    return std::abs(got.r - want.r) <= tolerance && std::abs(got.g - want.g) <= tolerance &&
           std::abs(got.b - want.b) <= tolerance && std::abs(got.a - want.a) <= tolerance;
}

// A texture of w x h texels given top row first.
void load_texels(Texture& texture, const std::vector<Rgba>& texels, int w, int h) {
    std::vector<uint8_t> bytes;
    for (const Rgba& t : texels) bytes.insert(bytes.end(), {t.r, t.g, t.b, t.a});
    ASSERT_EQ(texture.load(bytes, Vec2i{w, h}, false), 0);
}

Shape rectangle(float x1, float y1, float x2, float y2, const Vec4f& fill) {
    Shape shape;
    shape.set_rectangle_bounds(Vec4f{x1, y1, x2, y2}, no_colour, fill, 1);
    return shape;
}

class RendererTest : public ::testing::Test {
protected:
    // The target of the given size composited over the whole window; the
    // window is the target's size unless given.
    void open(int target_w, int target_h, int window_w = 0, int window_h = 0) {
        window_w = window_w == 0 ? target_w : window_w;
        window_h = window_h == 0 ? target_h : window_h;
        window = std::make_unique<GlWindow>(window_w, window_h);
        ASSERT_TRUE(window->ready());
        renderer = std::make_unique<Renderer>();
        fit(*renderer);
        renderer->create_target(Vec2i{target_w, target_h}, false);
        window->clear(0, 0, 0);
    }

    void fit(Renderer& r) {
        r.set_window_size(Vec2i{window->width(), window->height()});
        r.set_display_size(
            Vec2f{static_cast<float>(window->width()), static_cast<float>(window->height())});
        r.set_scaling(true);
    }

    // Renders the queue and returns the target's picture, upright.
    Image render_target() {
        renderer->render();
        return upright(texture_image(bound_texture()));
    }

    std::unique_ptr<GlWindow> window;
    std::unique_ptr<Renderer> renderer;
};

TEST_F(RendererTest, RenderBeforeCreateTargetChangesNothing) {
    window = std::make_unique<GlWindow>(32, 32);
    ASSERT_TRUE(window->ready());
    window->clear(0.2f, 0.4f, 0.6f);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 3, 5, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    GLfloat projection_before[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection_before);
    const Image before = window->image();

    Renderer untargeted;
    fit(untargeted);
    Shape shape = rectangle(0, 0, 32, 32, red);
    untargeted.draw(shape);
    untargeted.render();

    EXPECT_EQ(window->image(), before);
    GLfloat projection_after[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection_after);
    for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(projection_after[i], projection_before[i]);
    GLint value = 0;
    glGetIntegerv(GL_MATRIX_MODE, &value);
    EXPECT_EQ(value, GL_MODELVIEW);
    glGetIntegerv(GL_BLEND_SRC_RGB, &value);
    EXPECT_EQ(value, GL_SRC_ALPHA);
    glGetIntegerv(GL_BLEND_DST_ALPHA, &value);
    EXPECT_EQ(value, GL_ONE_MINUS_SRC_ALPHA);
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &value);
    EXPECT_EQ(value, 0);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    untargeted.clear();
}

TEST_F(RendererTest, TargetIsUprightAndStretchedNearest) {
    open(64, 36, 128, 72);
    Shape top_left = rectangle(0, 0, 1, 1, red);
    Shape top_right = rectangle(63, 0, 64, 1, green);
    Shape bottom_left = rectangle(0, 35, 1, 36, blue);
    renderer->draw(top_left);
    renderer->draw(top_right);
    renderer->draw(bottom_left);
    renderer->render();

    // Texture row 0 is the bottom of the picture.
    const Image stored = texture_image(bound_texture());
    ASSERT_EQ(stored.width, 64);
    ASSERT_EQ(stored.height, 36);
    EXPECT_EQ(stored.at(0, 0), (Rgba{0, 0, 255, 255}));
    EXPECT_EQ(stored.at(0, 35), (Rgba{255, 0, 0, 255}));
    EXPECT_EQ(stored.at(63, 35), (Rgba{0, 255, 0, 255}));

    Image want = filled(128, 72, black);
    paint(want, 0, 0, 2, 2, Rgba{255, 0, 0, 255});
    paint(want, 126, 0, 128, 2, Rgba{0, 255, 0, 255});
    paint(want, 0, 70, 2, 72, Rgba{0, 0, 255, 255});
    EXPECT_EQ(window->image(), want);
    renderer->clear();
}

TEST_F(RendererTest, CompositeIsPremultipliedOverTheWindow) {
    open(16, 16);
    window->clear(0, 0, 1);
    Texture texture;
    load_texels(texture, {Rgba{255, 255, 255, 255}}, 1, 1);
    Sprite sprite;
    sprite.set_texture(&texture);
    sprite.set_size(Vec2f{8, 16});
    sprite.set_colour(Vec4f{1, 0, 0, half});
    renderer->draw(sprite);

    Image target = render_target();
    Image want_target = filled(16, 16, clear_texel);
    paint(want_target, 0, 0, 8, 16, Rgba{128, 0, 0, 128});
    EXPECT_EQ(target, want_target);

    // Target colour added unweighted, the window beneath weakened by alpha.
    Image want = filled(16, 16, Rgba{0, 0, 255, 255});
    paint(want, 0, 0, 8, 16, Rgba{128, 0, 127, 255});
    EXPECT_EQ(window->image(), want);
    renderer->clear();
}

TEST_F(RendererTest, TargetAlphaAddsUp) {
    open(8, 8);
    window->clear(0, 0, 1);
    Shape first = rectangle(0, 0, 8, 8, Vec4f{1, 0, 0, half});
    Shape second = rectangle(0, 0, 8, 8, Vec4f{0, 1, 0, half});
    renderer->draw(first);
    renderer->draw(second);

    const Rgba texel = render_target().at(4, 4);
    EXPECT_TRUE(near(texel, Rgba{64, 128, 0, 255}, 1)) << texel;
    // Alphas of 0.5 and 0.5 cover the window completely: no blue is left.
    const Rgba pixel = window->image().at(4, 4);
    EXPECT_TRUE(near(pixel, Rgba{64, 128, 0, 255}, 1)) << pixel;
    EXPECT_EQ(pixel.b, 0);
    renderer->clear();
}

class SpriteTest : public RendererTest {
protected:
    // Four by two texels, top row first.
    void SetUp() override {
        open(64, 36);
        load_texels(texture,
                    {texels[0], texels[1], texels[2], texels[3], texels[4], texels[5], texels[6],
                     texels[7]},
                    4, 2);
        sprite.set_texture(&texture);
    }

    Rgba texel(int x, int y) const { return texels[y * 4 + x]; }

    const Rgba texels[8] = {{255, 0, 0, 255},     {0, 255, 0, 255},    {0, 0, 255, 255},
                            {255, 255, 255, 255}, {255, 255, 0, 255},  {0, 255, 255, 255},
                            {255, 0, 255, 255},   {128, 128, 128, 255}};
    Texture texture;
    Sprite sprite;
};

TEST_F(SpriteTest, ScaledTexelsLandOnTheQuad) {
    EXPECT_FLOAT_EQ(sprite.size().x, 4);
    EXPECT_FLOAT_EQ(sprite.size().y, 2);
    sprite.set_position(Vec2f{8, 4});
    sprite.set_scale(Vec2f{2, 2});
    renderer->draw(sprite);

    Image want = filled(64, 36, clear_texel);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            paint(want, 8 + 2 * x, 4 + 2 * y, 10 + 2 * x, 6 + 2 * y, texel(x, y));
    EXPECT_EQ(render_target(), want);
    renderer->clear();
}

TEST_F(SpriteTest, TextureRectShowsItsPartFromTheQuadsLeftEdge) {
    sprite.set_texture_rect(Vec2f{2, 0}, Vec2f{2, 2});
    EXPECT_FLOAT_EQ(sprite.size().x, 4);
    sprite.set_size(Vec2f{2, 2});
    sprite.set_position(Vec2f{8, 4});
    sprite.set_scale(Vec2f{2, 2});
    renderer->draw(sprite);

    Image want = filled(64, 36, clear_texel);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x)
            paint(want, 8 + 2 * x, 4 + 2 * y, 10 + 2 * x, 6 + 2 * y, texel(2 + x, y));
    EXPECT_EQ(render_target(), want);
    renderer->clear();
}

TEST_F(SpriteTest, PositiveRotationTurnsClockwiseAboutTheCentre) {
    // 8 x 4 on screen from (10, 10): centre (14, 12). A quarter turn
    // clockwise takes the top-left texel to the top-right.
    sprite.set_position(Vec2f{10, 10});
    sprite.set_scale(Vec2f{2, 2});
    sprite.set_rotation(90);
    renderer->draw(sprite);

    Image want = filled(64, 36, clear_texel);
    for (int j = 0; j < 2; ++j)
        for (int i = 0; i < 4; ++i)
            paint(want, 14 - 2 * j, 8 + 2 * i, 16 - 2 * j, 10 + 2 * i, texel(i, j));
    EXPECT_EQ(render_target(), want);
    renderer->clear();
}

TEST_F(SpriteTest, InvisibleSpritesDrawNothing) {
    Sprite transparent = sprite;
    transparent.set_size(Vec2f{8, 8});
    transparent.set_alpha(0);
    Sprite untextured;
    untextured.set_size(Vec2f{8, 8});
    Texture unloaded;
    unloaded.set_size(Vec2i{8, 8});
    Sprite unnamed;
    unnamed.set_texture(&unloaded);
    unnamed.set_size(Vec2f{8, 8});
    renderer->draw(transparent);
    renderer->draw(untextured);
    renderer->draw(unnamed);
    EXPECT_EQ(render_target(), filled(64, 36, clear_texel));
    EXPECT_EQ(window->image(), filled(64, 36, black));
    renderer->clear();
}

TEST_F(RendererTest, RendererColourTintsSpritesAndTheCompositeNotShapes) {
    open(32, 8);
    window->clear(0, 0, 1);
    Texture texture;
    load_texels(texture, {Rgba{255, 255, 255, 255}}, 1, 1);
    Sprite sprite;
    sprite.set_texture(&texture);
    sprite.set_size(Vec2f{8, 8});
    Shape bar = rectangle(16, 0, 24, 8, green);
    renderer->set_colour(Vec4f{1, 1, 1, half});
    renderer->draw(sprite);
    renderer->draw(bar);

    Image want_target = filled(32, 8, clear_texel);
    paint(want_target, 0, 0, 8, 8, Rgba{128, 128, 128, 128});
    paint(want_target, 16, 0, 24, 8, Rgba{0, 255, 0, 255});
    const Image target = render_target();
    EXPECT_EQ(target, want_target);

    // The composite quad is drawn with alpha 0.5 too: the opaque green texel
    // leaves half the blue beneath, (0, 255, 0) + 127 / 255 of (0, 0, 255).
    const Image shown = window->image();
    EXPECT_EQ(shown.at(20, 4), (Rgba{0, 255, 127, 255}));
    EXPECT_EQ(shown.at(4, 4), (Rgba{128, 128, 255, 255}));
    EXPECT_EQ(shown.at(12, 4), (Rgba{0, 0, 255, 255}));

    // Alpha 0 hides the sprite and skips the composite; the shape still
    // reaches the target.
    const GLuint target_name = bound_texture();
    renderer->set_colour(Vec4f{1, 1, 1, 0});
    window->clear(0, 0, 1);
    renderer->render();
    EXPECT_EQ(window->image(), filled(32, 8, Rgba{0, 0, 255, 255}));
    Image want_hidden = filled(32, 8, clear_texel);
    paint(want_hidden, 16, 0, 24, 8, Rgba{0, 255, 0, 255});
    EXPECT_EQ(upright(texture_image(target_name)), want_hidden);
    renderer->clear();
}

TEST_F(RendererTest, CompositeRotationTurnsTheWholePicture) {
    open(64, 36, 128, 72);
    Shape top_left = rectangle(0, 0, 1, 1, red);
    Shape top_right = rectangle(63, 0, 64, 1, green);
    Shape bottom_left = rectangle(0, 35, 1, 36, blue);
    renderer->draw(top_left);
    renderer->draw(top_right);
    renderer->draw(bottom_left);
    renderer->set_rotation(180);
    renderer->render();

    Image want = filled(128, 72, black);
    paint(want, 126, 70, 128, 72, Rgba{255, 0, 0, 255});
    paint(want, 0, 70, 2, 72, Rgba{0, 255, 0, 255});
    paint(want, 126, 0, 128, 2, Rgba{0, 0, 255, 255});
    EXPECT_EQ(window->image(), want);
    renderer->clear();
}

TEST_F(RendererTest, WithoutScalingWindowCoordinatesAreSqueezedIntoTheTarget) {
    open(64, 36, 128, 72);
    renderer->set_scaling(false);
    Shape right_half = rectangle(64, 0, 128, 36, red);
    renderer->draw(right_half);

    Image want_target = filled(64, 36, clear_texel);
    paint(want_target, 32, 0, 64, 18, Rgba{255, 0, 0, 255});
    EXPECT_EQ(render_target(), want_target);
    Image want = filled(128, 72, black);
    paint(want, 64, 0, 128, 36, Rgba{255, 0, 0, 255});
    EXPECT_EQ(window->image(), want);
    renderer->clear();
}

TEST_F(RendererTest, RectangleCornersInAnyOrderGiveOneImage) {
    open(40, 48);
    const Vec4f orders[3] = {{10, 40, 30, 20}, {30, 20, 10, 40}, {10, 20, 30, 40}};
    Image fill_only[3];
    Image outlined[3];
    for (int i = 0; i < 3; ++i) {
        Shape fill;
        fill.set_rectangle_bounds(orders[i], no_colour, red, 1);
        renderer->draw(fill);
        fill_only[i] = render_target();
        renderer->clear();
        Shape both;
        both.set_rectangle_bounds(orders[i], green, red, 1);
        renderer->draw(both);
        outlined[i] = render_target();
        renderer->clear();
    }
    Image want = filled(40, 48, clear_texel);
    paint(want, 10, 20, 30, 40, Rgba{255, 0, 0, 255});
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(fill_only[i], want) << "order " << i;
        EXPECT_EQ(outlined[i], outlined[0]) << "order " << i;
    }
    // The outline and its corner points lie on the rectangle's edges.
    EXPECT_NE(outlined[0], want);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 40; ++x)
            if (outlined[0].at(x, y) == (Rgba{0, 255, 0, 255})) {
                EXPECT_TRUE(x >= 9 && x <= 30 && y >= 19 && y <= 40 &&
                            (x <= 10 || x >= 29 || y <= 20 || y >= 39))
                    << x << "," << y;
            }
}

TEST_F(RendererTest, OutlineWithoutFillDrawsOnlyTheEdges) {
    open(40, 48);
    Shape outline_only;
    outline_only.set_rectangle_bounds(Vec4f{10, 20, 30, 40}, green, no_colour, 1);
    renderer->draw(outline_only);
    const Image image = render_target();
    renderer->clear();
    int top = 0, bottom = 0, left = 0, right = 0;
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 40; ++x) {
            if (image.at(x, y) == clear_texel) continue;
            EXPECT_EQ(image.at(x, y), (Rgba{0, 255, 0, 255})) << x << "," << y;
            const bool on_top = y == 19 || y == 20;
            const bool on_bottom = y == 39 || y == 40;
            const bool on_left = x == 9 || x == 10;
            const bool on_right = x == 29 || x == 30;
            EXPECT_TRUE(on_top || on_bottom || on_left || on_right)
                << "off the edges at " << x << "," << y;
            top += on_top ? 1 : 0;
            bottom += on_bottom ? 1 : 0;
            left += on_left ? 1 : 0;
            right += on_right ? 1 : 0;
        }
    EXPECT_GE(top, 19);
    EXPECT_GE(bottom, 19);
    EXPECT_GE(left, 19);
    EXPECT_GE(right, 19);
}

TEST_F(RendererTest, EllipseFillsItsPolygon) {
    open(100, 100);
    Shape ellipse;
    ellipse.set_circle(Vec2f{50, 50}, Vec2f{30, 15}, 64, no_colour, red, 1);
    renderer->draw(ellipse);
    const Image image = render_target();
    renderer->clear();
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x) {
            const double dx = (x + 0.5 - 50) / 30;
            const double dy = (y + 0.5 - 50) / 15;
            const double r = dx * dx + dy * dy;
            if (r < 0.85) {
                EXPECT_EQ(image.at(x, y), (Rgba{255, 0, 0, 255})) << x << "," << y;
            } else if (r > 1.15) {
                EXPECT_EQ(image.at(x, y), clear_texel) << x << "," << y;
            }
        }
}

TEST_F(RendererTest, RimPointsStartAtAngleZero) {
    open(100, 100);
    // Four segments make a diamond with corners right, below, left and above
    // the centre.
    Shape diamond;
    diamond.set_circle(Vec2f{50, 50}, Vec2f{20, 20}, 4, no_colour, red, 1);
    renderer->draw(diamond);
    const Image image = render_target();
    renderer->clear();
    const Rgba lit{255, 0, 0, 255};
    EXPECT_EQ(image.at(68, 50), lit);
    EXPECT_EQ(image.at(50, 68), lit);
    EXPECT_EQ(image.at(31, 50), lit);
    EXPECT_EQ(image.at(50, 31), lit);
    // Along a diagonal the edge lies 14.1 pixels out.
    EXPECT_EQ(image.at(58, 58), lit);
    EXPECT_EQ(image.at(62, 62), clear_texel);
    EXPECT_EQ(image.at(37, 37), clear_texel);

    // The outline of eight segments runs only along the octagon's edges.
    Shape octagon;
    octagon.set_circle(Vec2f{50, 50}, Vec2f{20, 20}, 8, red, no_colour, 1);
    renderer->draw(octagon);
    const Image outline = render_target();
    renderer->clear();
    const double apothem = 20 * std::cos(3.14159265358979 / 8);
    int lit_count = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x)
            if (outline.at(x, y) != clear_texel) {
                ++lit_count;
                const double d = std::hypot(x + 0.5 - 50, y + 0.5 - 50);
                EXPECT_TRUE(d > apothem - 1.5 && d < 21.5) << x << "," << y;
            }
    EXPECT_GT(lit_count, 100);
}

TEST_F(RendererTest, ShapesThatDrawNothing) {
    open(32, 32);
    window->clear(0.2f, 0.2f, 0.2f);
    const Image before = window->image();
    Shape empty;
    Shape kind4;
    kind4.set_kind4(Vec4f{0, 0, 32, 32}, 4, red, red, 4);
    Shape cleared = rectangle(0, 0, 32, 32, red);
    cleared.clear();
    std::vector<Shape> circles(3);
    const int counts[3] = {0, -3, std::numeric_limits<int>::min()};
    for (int i = 0; i < 3; ++i)
        circles[i].set_circle(Vec2f{16, 16}, Vec2f{10, 10}, counts[i], red, red, 1);
    Shape invisible_line;
    invisible_line.set_line(Vec4f{0, 16, 32, 16}, Vec4f{1, 0, 0, 0}, 3);
    renderer->draw(empty);
    renderer->draw(kind4);
    renderer->draw(cleared);
    for (const Shape& circle : circles) renderer->draw(circle);
    renderer->draw(invisible_line);
    EXPECT_EQ(render_target(), filled(32, 32, clear_texel));
    EXPECT_EQ(window->image(), before);
    renderer->clear();
}

TEST_F(RendererTest, LineRunsBetweenItsEnds) {
    open(32, 32);
    Shape line;
    line.set_line(Vec4f{4, 16.5f, 28, 16.5f}, red, 1);
    renderer->draw(line);
    const Image image = render_target();
    renderer->clear();
    // The end pixels depend on the rasteriser's rule; everything between is lit.
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const bool between = y == 16 && x >= 5 && x < 27;
            const bool outside = y != 16 || x < 3 || x > 28;
            if (between) {
                EXPECT_EQ(image.at(x, y), (Rgba{255, 0, 0, 255})) << x << "," << y;
            } else if (outside) {
                EXPECT_EQ(image.at(x, y), clear_texel) << x << "," << y;
            }
        }
}

TEST_F(RendererTest, ThreeRenderersLayerInOrder) {
    open(64, 36);
    Renderer bar;
    Renderer text;
    fit(bar);
    fit(text);
    bar.create_target(Vec2i{64, 36}, false);
    text.create_target(Vec2i{64, 36}, false);
    Shape field_shape = rectangle(0, 0, 64, 36, red);
    Shape bar_shape = rectangle(16, 8, 48, 28, green);
    Shape text_shape = rectangle(24, 12, 40, 24, blue);
    renderer->draw(field_shape);
    bar.draw(bar_shape);
    text.draw(text_shape);
    renderer->render();
    bar.render();
    text.render();

    Image want = filled(64, 36, Rgba{255, 0, 0, 255});
    paint(want, 16, 8, 48, 28, Rgba{0, 255, 0, 255});
    paint(want, 24, 12, 40, 24, Rgba{0, 0, 255, 255});
    EXPECT_EQ(window->image(), want);
    renderer->clear();
    bar.clear();
    text.clear();
}

TEST_F(RendererTest, QueueIsReadAtRenderAndKeptUntilClear) {
    open(16, 16);
    Shape shape = rectangle(0, 0, 4, 4, red);
    renderer->draw(shape);
    shape.set_rectangle_bounds(Vec4f{8, 8, 12, 12}, no_colour, green, 1);
    Image want = filled(16, 16, clear_texel);
    paint(want, 8, 8, 12, 12, Rgba{0, 255, 0, 255});
    EXPECT_EQ(render_target(), want);
    // Rendering again draws the same queue again; clear empties it.
    EXPECT_EQ(render_target(), want);
    renderer->clear();
    EXPECT_EQ(render_target(), filled(16, 16, clear_texel));
}

TEST_F(RendererTest, TargetsAreDeletedOnceAndNotUsedAfterRelease) {
    open(16, 16);
    Shape shape = rectangle(0, 0, 16, 16, red);
    renderer->draw(shape);
    renderer->render();
    const GLuint first = bound_texture();
    ASSERT_TRUE(glIsTexture(first));

    renderer->create_target(Vec2i{8, 8}, false);
    EXPECT_FALSE(glIsTexture(first));
    EXPECT_EQ(renderer->target_size().x, 8);
    renderer->render();
    const GLuint second = bound_texture();
    EXPECT_EQ(texture_image(second).width, 8);

    renderer->release_target();
    EXPECT_FALSE(glIsTexture(second));
    window->clear(0, 0, 1);
    renderer->render();
    EXPECT_EQ(window->image(), filled(16, 16, Rgba{0, 0, 255, 255}));
    renderer->clear();
    renderer.reset();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// More segments than can be told apart are bounded, not dropped: the
// circle is drawn as with the most segments.
TEST_F(RendererTest, ACircleOfTooManySegmentsIsDrawnWithTheMost) {
    open(64, 64);
    Shape most;
    most.set_circle(Vec2f{32, 32}, Vec2f{20, 20}, 100000, blue, red, 1);
    renderer->draw(most);
    const Image expected = render_target();
    renderer->clear();
    EXPECT_EQ(expected.at(32, 32), (Rgba{255, 0, 0, 255}));
    for (const int32_t segments : {100001, 250000, 2147483647}) {
        Shape circle;
        circle.set_circle(Vec2f{32, 32}, Vec2f{20, 20}, segments, blue, red, 1);
        renderer->draw(circle);
        EXPECT_EQ(render_target(), expected) << segments << " segments";
        renderer->clear();
    }
}

// A side beyond what GL can hold leaves the framebuffer incomplete: the
// target is kept but neither drawn into nor composited, so the window keeps
// what it had.
TEST_F(RendererTest, AnIncompleteTargetIsNeitherDrawnIntoNorComposited) {
    window = std::make_unique<GlWindow>(16, 16);
    ASSERT_TRUE(window->ready());
    GLint most = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &most);
    Renderer beyond;
    fit(beyond);
    testing::internal::CaptureStdout();
    beyond.create_target(Vec2i{most + 1, 16}, false);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "[!] FBO not ready\n");
    while (glGetError() != GL_NO_ERROR) {}  // the refused glTexImage2D
    Shape shape = rectangle(0, 0, 16, 16, red);
    beyond.draw(shape);
    window->clear(0, 0, 1);
    beyond.render();
    EXPECT_EQ(window->image(), filled(16, 16, Rgba{0, 0, 255, 255}));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    beyond.clear();
}

TEST_F(RendererTest, EmptyTargetIsMadeButNeverComposited) {
    window = std::make_unique<GlWindow>(16, 16);
    ASSERT_TRUE(window->ready());
    Renderer empty;
    fit(empty);
    testing::internal::CaptureStdout();
    empty.create_target(Vec2i{0, 0}, false);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "[!] FBO not ready\n");
    EXPECT_EQ(empty.target_size().x, 0);
    Shape shape = rectangle(0, 0, 16, 16, red);
    empty.draw(shape);
    window->clear(0, 0, 1);
    empty.render();
    EXPECT_EQ(window->image(), filled(16, 16, Rgba{0, 0, 255, 255}));
    GLint framebuffer = -1;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &framebuffer);
    EXPECT_EQ(framebuffer, 0);
    empty.clear();
}

// The drawing the Renderer must reproduce, one primitive at a time: each
// with its own glBegin/glEnd, its own model view and, for a Sprite,
// texturing switched on and off around it. A target of its own, set up and
// cleared as the Renderer does.
class PerPrimitiveDrawing {
public:
    PerPrimitiveDrawing(const Vec2i& size, const Vec2f& offset, const Vec2f& scale,
                        const Vec2i& span)
        : target(size.x, size.y) {
        target.begin_pass(span, offset, scale);
    }
    ~PerPrimitiveDrawing() { glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0); }

    void sprite(const Sprite& sprite) {
        glLoadIdentity();
        const Vec4f c = sprite.colour();
        if (!(c.a > 0)) return;
        glEnable(GL_TEXTURE_2D);
        const float w = sprite.size().x * sprite.scale().x;
        const float h = sprite.size().y * sprite.scale().y;
        float x0 = 0;
        float y0 = 0;
        if (sprite.rotation() != 0) {
            glTranslatef(sprite.position().x + w / 2, sprite.position().y + h / 2, 0);
            glRotatef(sprite.rotation(), 0, 0, 1);
            x0 = -w / 2;
            y0 = -h / 2;
        } else {
            glTranslatef(sprite.position().x, sprite.position().y, 0);
        }
        glColor4f(c.r, c.g, c.b, c.a);
        glBindTexture(GL_TEXTURE_2D, sprite.texture()->get_name());
        const Vec4f t = sprite.texture_rect();
        glBegin(GL_QUADS);
        glTexCoord2f(t.x1, t.y1 + t.y2);
        glVertex2f(x0, y0 + h);
        glTexCoord2f(t.x1 + t.x2, t.y1 + t.y2);
        glVertex2f(x0 + w, y0 + h);
        glTexCoord2f(t.x1 + t.x2, t.y1);
        glVertex2f(x0 + w, y0);
        glTexCoord2f(t.x1, t.y1);
        glVertex2f(x0, y0);
        glEnd();
        glDisable(GL_TEXTURE_2D);
    }

    // A filled and outlined rectangle whose corners are in order.
    void rectangle(const Shape& shape) {
        glLoadIdentity();
        const Vec4f& r = shape.records()[0];
        const Vec4f& outline = shape.records()[1];
        const Vec4f& fill = shape.records()[2];
        glLineWidth(shape.floats()[0]);
        glPointSize(shape.floats()[0]);
        glColor4f(fill.r, fill.g, fill.b, fill.a);
        glBegin(GL_QUADS);
        glVertex2f(r.x1, r.y2);
        glVertex2f(r.x2, r.y2);
        glVertex2f(r.x2, r.y1);
        glVertex2f(r.x1, r.y1);
        glEnd();
        glColor4f(outline.r, outline.g, outline.b, outline.a);
        for (const GLenum mode : {GL_LINE_LOOP, GL_POINTS}) {
            glBegin(mode);
            glVertex2f(r.x1, r.y1);
            glVertex2f(r.x2, r.y1);
            glVertex2f(r.x2, r.y2);
            glVertex2f(r.x1, r.y2);
            glEnd();
        }
    }

    Image image() const { return upright(texture_image(target.texture())); }

private:
    GlTarget target;
};

// How the off-screen pass looks at the scene: an offset, a scale, and
// whether the projection spans the target or the window.
struct Camera {
    Vec2f offset;
    Vec2f scale;
    bool scaling;
};

// None, and fractional ones (the projection then holds no power of two),
// spanning the target and the window.
const Camera cameras[] = {
    {{0, 0}, {1, 1}, true},
    {{-0.3125f, 0.173f}, {1.37f, 0.81f}, true},
    {{0.05f, -0.11f}, {0.93f, 1.21f}, false},
};

void aim(Renderer& renderer, const Camera& camera) {
    renderer.set_camera_offset(camera.offset);
    renderer.set_camera_scale(camera.scale);
    renderer.set_scaling(camera.scaling);
}

// Thousands of Sprites at fractional and at half-pixel positions and scales,
// runs of one texture and of another, every seventh one turned, rectangles
// between them, under a camera that moves and scales: the state the pass
// keeps across Sprites must leave every pixel as each primitive drawn with
// its own state would. (A vertex placed a rounding away from where GL's
// matrices put it, or quads merged into one draw, move edges and texels.)
TEST_F(RendererTest, StateKeptAcrossSpritesLeavesEveryPixelAsDrawnAlone) {
    open(1024, 1024, 480, 270);
    Texture textures[2];
    std::vector<Rgba> texels;
    for (int i = 0; i < 7 * 5; ++i)
        texels.push_back(Rgba{static_cast<uint8_t>(40 * i), static_cast<uint8_t>(255 - 7 * i),
                              static_cast<uint8_t>(90 + 4 * i), static_cast<uint8_t>(60 + 5 * i)});
    load_texels(textures[0], texels, 7, 5);
    std::reverse(texels.begin(), texels.end());
    load_texels(textures[1], texels, 5, 7);

    std::mt19937 generator(3);
    auto real = [&](float low, float high) {
        return std::uniform_real_distribution<float>(low, high)(generator);
    };
    std::vector<Sprite> sprites(3000);
    std::vector<Shape> shapes(sprites.size() / 50);
    for (size_t i = 0; i < sprites.size(); ++i) {
        Sprite& sprite = sprites[i];
        sprite.set_texture(&textures[(i / 9) % 2]);
        sprite.set_position(Vec2f{real(-200, 1030), real(-200, 1030)});
        sprite.set_scale(Vec2f{real(0.3f, 60.7f), real(0.3f, 60.7f)});
        if (i % 3 == 0) sprite.set_texture_rect(Vec2f{1, 1}, Vec2f{3, 2});
        sprite.set_colour(
            Vec4f{real(0, 1), real(0, 1), real(0, 1), i % 11 == 0 ? 0 : real(0.02f, 0.2f)});
        if (i % 7 == 0) sprite.set_rotation(real(-400, 400));
        // Every other one on the half-pixel grid at a whole scale: texel
        // edges then fall exactly on pixel centres, where a rasteriser's
        // tie-breaking shows.
        if (i % 2 == 0) {
            const Vec2f at = sprite.position();
            const Vec2f scale = sprite.scale();
            sprite.set_position(Vec2f{std::round(at.x * 2) / 2, std::round(at.y * 2) / 2});
            sprite.set_scale(Vec2f{std::round(scale.x), std::round(scale.y)});
        }
    }
    for (Shape& shape : shapes) {
        const Vec2f a{real(-10, 300), real(-10, 170)};
        shape.set_rectangle(a, Vec2f{a.x + real(1, 40), a.y + real(1, 30)},
                            Vec4f{real(0, 1), real(0, 1), real(0, 1), 1},
                            Vec4f{real(0, 1), real(0, 1), real(0, 1), real(0.1f, 1)}, real(1, 3));
    }

    for (const Camera& camera : cameras) {
        aim(*renderer, camera);
        for (size_t i = 0; i < sprites.size(); ++i) {
            renderer->draw(sprites[i]);
            if (i % 50 == 49) renderer->draw(shapes[i / 50]);
        }
        const Image drawn = render_target();
        renderer->clear();

        const Vec2i span = camera.scaling ? Vec2i{1024, 1024} : Vec2i{480, 270};
        PerPrimitiveDrawing reference(Vec2i{1024, 1024}, camera.offset, camera.scale, span);
        for (size_t i = 0; i < sprites.size(); ++i) {
            reference.sprite(sprites[i]);
            if (i % 50 == 49) reference.rectangle(shapes[i / 50]);
        }
        const Image expected = reference.image();
        int differing = 0;
        for (size_t p = 0; p < expected.pixels.size(); ++p)
            differing += expected.pixels[p] == drawn.pixels[p] ? 0 : 1;
        EXPECT_EQ(differing, 0) << "camera offset " << camera.offset.x << ", " << camera.offset.y
                                << " scale " << camera.scale.x << ", " << camera.scale.y;
    }
}

// Every vertex as GL hands it to its rasteriser: feedback mode's window
// coordinates, colour and texture coordinates, token by token.
std::vector<GLfloat> fed_back(const std::function<void()>& draw) {
    std::vector<GLfloat> buffer(size_t{1} << 22);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR_TEXTURE, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const GLint used = glRenderMode(GL_RENDER);
    EXPECT_GE(used, 0) << "the feedback buffer overflowed";
    buffer.resize(used > 0 ? static_cast<size_t>(used) : 0);
    return buffer;
}

// Sprites anywhere, at any fraction, scale and angle, under cameras whose
// projections hold no power of two: the pass places a batched quad's
// vertices itself, and they must reach the rasteriser bit for bit where
// GL's own matrices put them (a rounding apart would move an edge or a
// texel somewhere).
TEST_F(RendererTest, BatchedSpritesReachTheRasteriserWhereGlPlacesThem) {
    open(1270, 710, 1210, 690);
    Texture texture;
    load_texels(texture, std::vector<Rgba>(7 * 5, Rgba{200, 100, 50, 255}), 7, 5);
    std::mt19937 generator(11);
    auto real = [&](float low, float high) {
        return std::uniform_real_distribution<float>(low, high)(generator);
    };
    std::vector<Sprite> sprites(2000);
    for (size_t i = 0; i < sprites.size(); ++i) {
        Sprite& sprite = sprites[i];
        sprite.set_texture(&texture);
        sprite.set_position(Vec2f{real(-100, 1350), real(-100, 780)});
        sprite.set_scale(Vec2f{real(0.3f, 9.7f), real(0.3f, 9.7f)});
        sprite.set_colour(Vec4f{real(0, 1), real(0, 1), real(0, 1), real(0.1f, 1)});
        if (i % 5 == 0) sprite.set_rotation(real(-400, 400));
    }

    for (const Camera& camera : cameras) {
        aim(*renderer, camera);
        for (const Sprite& sprite : sprites) renderer->draw(sprite);
        const std::vector<GLfloat> drawn = fed_back([&] { renderer->render(); });
        renderer->clear();
        const Vec2i span = camera.scaling ? Vec2i{1270, 710} : Vec2i{1210, 690};
        const std::vector<GLfloat> expected = fed_back([&] {
            PerPrimitiveDrawing reference(Vec2i{1270, 710}, camera.offset, camera.scale, span);
            for (const Sprite& sprite : sprites) reference.sprite(sprite);
        });

        // The Renderer's stream goes on with its composite quad.
        ASSERT_GT(expected.size(), sprites.size());
        ASSERT_GT(drawn.size(), expected.size());
        const auto differs =
            std::mismatch(expected.begin(), expected.end(), drawn.begin(),
                          [](GLfloat a, GLfloat b) { return std::memcmp(&a, &b, sizeof a) == 0; });
        EXPECT_EQ(differs.first, expected.end())
            << "value " << (differs.first - expected.begin()) << " of " << expected.size()
            << " differs: " << *differs.first << " drawn as " << *differs.second
            << "; camera offset " << camera.offset.x << ", " << camera.offset.y;
    }
}

}  // namespace
