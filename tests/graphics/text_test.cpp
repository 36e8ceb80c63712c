// Text laid out by Renderer::draw_text with a DejaVu face at 20 pixels: the
// glyphs land in the boxes their 26.6 metrics give.
#include "graphics/Renderer.h"
#include "tests/core/AllocationLimit.h"
#include "tests/graphics/GlWindow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <new>
#include <vector>

namespace {

const char* const sans = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

struct Box {
    int x1, y1, x2, y2;
};

class TextTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(window.ready());
        ASSERT_EQ(font.load(sans, 20), 0);
        renderer.set_window_size(Vec2i{width, height});
        renderer.set_display_size(Vec2f{width, height});
        renderer.set_scaling(true);
        renderer.create_target(Vec2i{width, height}, false);
        text.set_font(&font);
    }

    void TearDown() override { renderer.clear(); }

    // The alpha channel of the target after rendering the queue, rows top
    // first; the queue is cleared.
    std::vector<uint8_t> render_alpha() {
        renderer.render();
        const Image stored = texture_image(bound_texture());
        renderer.clear();
        std::vector<uint8_t> alpha(static_cast<size_t>(width) * height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                alpha[static_cast<size_t>(y) * width + x] = stored.at(x, height - 1 - y).a;
        return alpha;
    }

    std::vector<uint8_t> coverage(char c) {
        const Texture* glyph = font.get_glyph(c);
        const Vec2i size = glyph->get_size();
        std::vector<uint8_t> bytes(static_cast<size_t>(size.x) * size.y);
        glBindTexture(GL_TEXTURE_2D, glyph->get_name());
        glGetTexImage(GL_TEXTURE_2D, 0, GL_ALPHA, GL_UNSIGNED_BYTE, bytes.data());
        glBindTexture(GL_TEXTURE_2D, 0);
        return bytes;
    }

    // Where each glyph of the string lands: bearings and advances in whole
    // pixels (26.6 shifted right by 6), times the scale, from the pen.
    std::vector<Box> boxes(const char* string, Vec2f pen, float scale) {
        std::vector<Box> result;
        for (const char* c = string; *c != 0; ++c) {
            const GlyphMetrics m = font.get_metrics(*c);
            const Vec2i size = font.get_glyph(*c)->get_size();
            const int x = static_cast<int>(pen.x + (m.horiBearingX >> 6) * scale);
            const int y = static_cast<int>(pen.y - (m.horiBearingY >> 6) * scale);
            result.push_back(Box{x, y, x + static_cast<int>(size.x * scale),
                                 y + static_cast<int>(size.y * scale)});
            pen.x += (m.horiAdvance >> 6) * scale;
        }
        return result;
    }

    static constexpr int width = 128;
    static constexpr int height = 64;
    GlWindow window{width, height};
    Font font;
    Renderer renderer;
    Text text;
};

TEST_F(TextTest, GlyphsAtScaleOneCopyTheirCoverage) {
    text.set_string("AB");
    text.set_position(Vec2f{10, 40});
    renderer.draw_text(text);
    const std::vector<uint8_t> alpha = render_alpha();

    std::vector<int> want(alpha.size(), 0);
    const std::vector<Box> placed = boxes("AB", Vec2f{10, 40}, 1);
    const char glyphs[2] = {'A', 'B'};
    for (int g = 0; g < 2; ++g) {
        const std::vector<uint8_t> cov = coverage(glyphs[g]);
        const Box& box = placed[g];
        const int w = box.x2 - box.x1;
        for (int y = box.y1; y < box.y2; ++y)
            for (int x = box.x1; x < box.x2; ++x)
                want[static_cast<size_t>(y) * width + x] +=
                    cov[static_cast<size_t>(y - box.y1) * w + (x - box.x1)];
    }
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            EXPECT_EQ(alpha[static_cast<size_t>(y) * width + x],
                      std::min(want[static_cast<size_t>(y) * width + x], 255))
                << x << "," << y;
}

TEST_F(TextTest, ScaleTwoStretchesBearingsAdvancesAndGlyphs) {
    text.set_string("AB");
    text.set_position(Vec2f{10, 50});
    text.set_scale(Vec2f{2, 2});
    renderer.draw_text(text);
    const std::vector<uint8_t> alpha = render_alpha();

    const GlyphMetrics a = font.get_metrics('A');
    const GlyphMetrics b = font.get_metrics('B');
    const std::vector<Box> placed = boxes("AB", Vec2f{10, 50}, 2);
    EXPECT_EQ(placed[1].x1, 10 + 2 * (a.horiAdvance >> 6) + 2 * (b.horiBearingX >> 6));
    EXPECT_EQ(placed[0].y1, 50 - 2 * (a.horiBearingY >> 6));
    EXPECT_EQ(placed[1].y1, 50 - 2 * (b.horiBearingY >> 6));

    Box lit{width, height, -1, -1};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            if (alpha[static_cast<size_t>(y) * width + x] == 0) continue;
            lit = Box{std::min(lit.x1, x), std::min(lit.y1, y), std::max(lit.x2, x + 1),
                      std::max(lit.y2, y + 1)};
            const bool inside = std::any_of(placed.begin(), placed.end(), [&](const Box& box) {
                return x >= box.x1 && x < box.x2 && y >= box.y1 && y < box.y2;
            });
            EXPECT_TRUE(inside) << x << "," << y;
        }
    EXPECT_EQ(lit.x1, placed[0].x1);
    EXPECT_EQ(lit.x2, placed[1].x2);
    EXPECT_EQ(lit.y1, std::min(placed[0].y1, placed[1].y1));
    EXPECT_EQ(lit.y2, std::max(placed[0].y2, placed[1].y2));
}

TEST_F(TextTest, ByteWithoutAGlyphDrawsNothingAndKeepsThePen) {
    text.set_position(Vec2f{10, 40});
    text.set_string("AB");
    renderer.draw_text(text);
    const std::vector<uint8_t> plain = render_alpha();

    text.set_string(
        "A\xFF"
        "B");
    testing::internal::CaptureStdout();
    renderer.draw_text(text);
    EXPECT_EQ(
        testing::internal::GetCapturedStdout(),
        "Metric call: \"\xFF\" could not be found.\nGlyph call: \"\xFF\" could not be found.\n");
    EXPECT_EQ(render_alpha(), plain);
}

TEST_F(TextTest, OnlyFontStringPositionScaleAndColourCount) {
    text.set_string("Hi");
    text.set_position(Vec2f{20, 40});
    renderer.draw_text(text);
    const std::vector<uint8_t> plain = render_alpha();
    EXPECT_NE(std::count(plain.begin(), plain.end(), 0), static_cast<long>(plain.size()));

    text.set_size(Vec2f{300, 300});
    text.set_rotation(45);
    renderer.draw_text(text);
    EXPECT_EQ(render_alpha(), plain);
}

TEST_F(TextTest, NothingToDrawQueuesNothing) {
    const std::vector<uint8_t> empty(static_cast<size_t>(width) * height, 0);
    Text fontless;
    fontless.set_string("AB");
    Text null_string;
    null_string.set_font(&font);
    Text empty_string;
    empty_string.set_font(&font);
    empty_string.set_string("");
    testing::internal::CaptureStdout();
    renderer.draw_text(fontless);
    renderer.draw_text(null_string);
    renderer.draw_text(empty_string);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(render_alpha(), empty);
}

TEST_F(TextTest, ClearDeletesOnlyTheGlyphSprites) {
    Texture texture;
    ASSERT_EQ(texture.load(std::vector<uint8_t>(4 * 4 * 4, 255), Vec2i{4, 4}, false), 0);
    Sprite own;
    own.set_texture(&texture);
    own.set_position(Vec2f{100, 10});
    text.set_string("AB");
    text.set_position(Vec2f{10, 40});
    renderer.draw(own);
    renderer.draw_text(text);
    renderer.render();
    renderer.clear();

    // The caller's Sprite is untouched and draws again alone.
    EXPECT_EQ(own.texture(), &texture);
    renderer.draw(own);
    const std::vector<uint8_t> alpha = render_alpha();
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            EXPECT_EQ(alpha[static_cast<size_t>(y) * width + x],
                      (x >= 100 && x < 104 && y >= 10 && y < 14) ? 255 : 0)
                << x << "," << y;
}

TEST_F(TextTest, DestroyedRendererReleasesItsTargetAndGlyphSprites) {
    auto short_lived = std::make_unique<Renderer>();
    short_lived->set_window_size(Vec2i{width, height});
    short_lived->set_display_size(Vec2f{width, height});
    short_lived->create_target(Vec2i{width, height}, false);
    text.set_string("queued, never cleared");
    short_lived->draw_text(text);
    short_lived->render();
    const GLuint target = bound_texture();
    ASSERT_TRUE(glIsTexture(target));
    // The glyph Sprites still queued go with it (the sanitizer run sees any
    // left behind).
    short_lived.reset();
    EXPECT_FALSE(glIsTexture(target));
}

// A frame of the same scene again asks for no memory: the queue, the glyph
// Sprites and the runs of the pass keep their storage. Sprites inside the
// view, across its edges, beyond it and turned, a Shape and a Text.
TEST_F(TextTest, ASteadyFrameAllocatesNothing) {
    Texture texture;
    ASSERT_EQ(texture.load(std::vector<uint8_t>(4 * 4 * 4, 255), Vec2i{4, 4}, false), 0);
    std::vector<Sprite> sprites(300);
    for (size_t i = 0; i < sprites.size(); ++i) {
        sprites[i].set_texture(&texture);
        sprites[i].set_position(
            Vec2f{static_cast<float>(i % 150) - 10, static_cast<float>(i % 80) - 10});
        if (i % 3 == 0) sprites[i].set_rotation(static_cast<float>(i));
    }
    Shape shape;
    shape.set_rectangle_bounds(Vec4f{2, 2, 30, 20}, Vec4f{1, 1, 1, 1}, Vec4f{0, 0, 1, 1}, 1);
    text.set_string("Score 1234");
    text.set_position(Vec2f{4, 40});
    auto frame = [&] {
        for (const Sprite& sprite : sprites) renderer.draw(sprite);
        renderer.draw(shape);
        renderer.draw_text(text);
        renderer.render();
        renderer.clear();
    };
    frame();

    bool ran_out = false;
    {
        // Any request for memory now fails.
        AllocationLimit none(0);
        try {
            frame();
        } catch (const std::bad_alloc&) {
            ran_out = true;
        }
    }
    EXPECT_FALSE(ran_out);
}

}  // namespace
