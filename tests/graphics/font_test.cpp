// Fonts from Debian's DejaVu faces: glyph textures against FreeType's own
// rendering, the signed character keys, lookups that miss, and the shared
// FreeType library.
#include "graphics/Font.h"
#include "tests/graphics/GlWindow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {

const char* const sans = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
const char* const mono = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf";

// The coverage bytes of a glyph texture, rows top first.
std::vector<uint8_t> coverage(const Texture& texture) {
    const Vec2i size = texture.get_size();
    std::vector<uint8_t> bytes(static_cast<size_t>(size.x) * size.y);
    glBindTexture(GL_TEXTURE_2D, texture.get_name());
    if (!bytes.empty()) glGetTexImage(GL_TEXTURE_2D, 0, GL_ALPHA, GL_UNSIGNED_BYTE, bytes.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    return bytes;
}

class FontTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(window.ready()); }
    GlWindow window{16, 16};
};

TEST_F(FontTest, GlyphsAreFreeTypesOwnRendering) {
    Font font;
    ASSERT_EQ(font.load(sans, 20), 0);

    FT_Library library = nullptr;
    ASSERT_EQ(FT_Init_FreeType(&library), 0);
    FT_Face face = nullptr;
    ASSERT_EQ(FT_New_Face(library, sans, 0, &face), 0);
    ASSERT_EQ(FT_Set_Pixel_Sizes(face, 0, 20), 0);
    for (const char c : {'A', 'g', 'j', '@', '1'}) {
        ASSERT_EQ(FT_Load_Glyph(face, FT_Get_Char_Index(face, static_cast<unsigned char>(c)),
                                FT_LOAD_RENDER),
                  0);
        const FT_Bitmap& bitmap = face->glyph->bitmap;
        std::vector<uint8_t> want;
        for (unsigned int row = 0; row < bitmap.rows; ++row)
            want.insert(want.end(), bitmap.buffer + row * bitmap.pitch,
                        bitmap.buffer + row * bitmap.pitch + bitmap.width);

        Texture* glyph = font.get_glyph(c);
        ASSERT_NE(glyph, nullptr) << c;
        EXPECT_EQ(glyph->get_size().x, static_cast<int>(bitmap.width)) << c;
        EXPECT_EQ(glyph->get_size().y, static_cast<int>(bitmap.rows)) << c;
        EXPECT_EQ(coverage(*glyph), want) << c;

        const GlyphMetrics m = font.get_metrics(c);
        const FT_Glyph_Metrics& ft = face->glyph->metrics;
        EXPECT_EQ(m.width, ft.width);
        EXPECT_EQ(m.height, ft.height);
        EXPECT_EQ(m.horiBearingX, ft.horiBearingX);
        EXPECT_EQ(m.horiBearingY, ft.horiBearingY);
        EXPECT_EQ(m.horiAdvance, ft.horiAdvance);
        EXPECT_EQ(m.vertBearingX, ft.vertBearingX);
        EXPECT_EQ(m.vertBearingY, ft.vertBearingY);
        EXPECT_EQ(m.vertAdvance, ft.vertAdvance);
    }
    FT_Done_FreeType(library);

    GLint alignment = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    EXPECT_EQ(alignment, 1);
    EXPECT_EQ(bound_texture(), 0u);
}

TEST_F(FontTest, SpaceHighCodesAndControlCodes) {
    Font font;
    ASSERT_EQ(font.load(sans, 20), 0);

    Texture* space = font.get_glyph(' ');
    ASSERT_NE(space, nullptr);
    EXPECT_NE(space->get_name(), 0u);
    EXPECT_EQ(space->get_size().x, 0);
    EXPECT_EQ(space->get_size().y, 0);
    EXPECT_GT(font.get_metrics(' ').horiAdvance, 0);

    // Code 233 lives under the key -23 and is found by the byte 0xE9.
    Texture* e_acute = font.get_glyph('\xE9');
    ASSERT_NE(e_acute, nullptr);
    EXPECT_NE(e_acute, font.get_glyph('e'));
    EXPECT_GT(font.get_metrics('\xE9').height, font.get_metrics('e').height);
    ASSERT_NE(font.get_glyph('\xFE'), nullptr);

    // A control code gets the face's missing glyph, drawn like any other.
    Texture* newline = font.get_glyph('\n');
    ASSERT_NE(newline, nullptr);
    EXPECT_GT(newline->get_size().x, 0);
    EXPECT_EQ(coverage(*newline), coverage(*font.get_glyph('\x01')));
}

TEST_F(FontTest, Code255IsNeverLoaded) {
    Font font;
    ASSERT_EQ(font.load(sans, 20), 0);
    testing::internal::CaptureStdout();
    EXPECT_EQ(font.get_glyph('\xFF'), nullptr);
    const GlyphMetrics m = font.get_metrics('\xFF');
    EXPECT_EQ(
        testing::internal::GetCapturedStdout(),
        "Glyph call: \"\xFF\" could not be found.\nMetric call: \"\xFF\" could not be found.\n");
    EXPECT_EQ(m.width, 0);
    EXPECT_EQ(m.horiAdvance, 0);
    EXPECT_EQ(m.vertAdvance, 0);
}

TEST_F(FontTest, MissingFaceLoadsNothing) {
    Font font;
    testing::internal::CaptureStdout();
    EXPECT_EQ(font.load("/nonexistent/face.ttf", 20), 1);
    EXPECT_EQ(font.get_glyph('A'), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Error initialising new FreeType face!\nGlyph call: \"A\" could not be found.\n");
}

TEST_F(FontTest, LoadingAgainReplacesTheGlyphs) {
    Font font;
    ASSERT_EQ(font.load(sans, 20), 0);
    const int small_width = font.get_glyph('A')->get_size().x;
    ASSERT_EQ(font.load(sans, 40), 0);
    EXPECT_GT(font.get_glyph('A')->get_size().x, small_width);
    // The window holds no other texture: exactly one live texture per code
    // from 0 to 254 is left, the first load's are gone.
    GLuint highest = 0;
    for (int code = 0; code < 255; ++code) {
        Texture* glyph = font.get_glyph(static_cast<char>(code));
        ASSERT_NE(glyph, nullptr) << code;
        highest = std::max(highest, glyph->get_name());
    }
    int live = 0;
    for (GLuint name = 1; name <= highest + 300; ++name) live += glIsTexture(name) ? 1 : 0;
    EXPECT_EQ(live, 255);
}

TEST_F(FontTest, FontsOutliveTheSharedLibrary) {
    auto first = std::make_unique<Font>();
    auto second = std::make_unique<Font>();
    ASSERT_EQ(first->load(sans, 20), 0);
    ASSERT_EQ(second->load(mono, 20), 0);
    const std::vector<uint8_t> before = coverage(*second->get_glyph('Q'));
    const GLuint kept = second->get_glyph('Q')->get_name();
    const GLuint gone = first->get_glyph('Q')->get_name();

    // The first destroyed releases the library with both faces; the second
    // keeps its glyphs, which need no face.
    first.reset();
    EXPECT_FALSE(glIsTexture(gone));
    EXPECT_TRUE(glIsTexture(kept));
    EXPECT_EQ(coverage(*second->get_glyph('Q')), before);
    second.reset();
    EXPECT_FALSE(glIsTexture(kept));

    // A Font made afterwards starts a new library.
    EXPECT_EQ(Font::init_library(), 0);
    Font third;
    EXPECT_EQ(third.load(sans, 12), 0);
    EXPECT_NE(third.get_glyph('Q'), nullptr);
}

}  // namespace
