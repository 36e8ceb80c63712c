// Fonts from Debian's DejaVu faces: glyph textures against FreeType's own
// rendering, the signed character keys, lookups that miss, and the shared
// FreeType library.
#include "graphics/Font.h"
#include "tests/graphics/GlWindow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

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

uint32_t read_u32(const std::string& bytes, size_t at) {
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

// A copy of the face at from, written to to, with the unitsPerEm of its
// 'head' table set to units (big-endian, 18 bytes into the table, which the
// table directory after the 12-byte offset table locates).
bool write_with_units_per_em(const char* from, const std::string& to, uint16_t units) {
    std::ifstream in(from, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.size() < 12) return false;
    const size_t tables =
        static_cast<unsigned char>(bytes[4]) << 8 | static_cast<unsigned char>(bytes[5]);
    for (size_t record = 12; record + 16 <= bytes.size() && record < 12 + 16 * tables;
         record += 16) {
        if (bytes.compare(record, 4, "head") != 0) continue;
        const size_t head = read_u32(bytes, record + 8);
        if (head + 20 > bytes.size()) return false;
        bytes[head + 18] = static_cast<char>(units >> 8);
        bytes[head + 19] = static_cast<char>(units & 0xFF);
        std::ofstream(to, std::ios::binary) << bytes;
        return true;
    }
    return false;
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

TEST_F(FontTest, GlyphsFarLargerThanTheSizeAreLeftOut) {
    // Mono's unitsPerEm is 2048: at 16 every glyph comes out 128 times too
    // large, thousands of pixels for a 20-pixel font.
    const std::string patched = (std::filesystem::temp_directory_path() /
                                 ("font-test-" + std::to_string(getpid()) + ".ttf"))
                                    .string();
    ASSERT_TRUE(write_with_units_per_em(mono, patched, 16));
    Font font;
    const int loaded = font.load(patched.c_str(), 20);
    std::remove(patched.c_str());
    ASSERT_EQ(loaded, Font::loaded);

    testing::internal::CaptureStdout();
    EXPECT_EQ(font.get_glyph('A'), nullptr);
    EXPECT_EQ(font.get_metrics('A').horiAdvance, 0);
    int kept = 0;
    for (int code = 0; code < 255; ++code) {
        const Texture* glyph = font.get_glyph(static_cast<char>(code));
        if (glyph == nullptr) continue;
        ++kept;
        EXPECT_LE(glyph->get_size().x, 96) << code;
        EXPECT_LE(glyph->get_size().y, 96) << code;
    }
    testing::internal::GetCapturedStdout();
    // Only the empty bitmaps (the space and the like) are left.
    EXPECT_LT(kept, 10);
    ASSERT_NE(font.get_glyph(' '), nullptr);
    EXPECT_EQ(font.get_glyph(' ')->get_size().x, 0);

    // The same face unpatched keeps every glyph at 20 pixels and at 1.
    for (const uint32_t size : {1u, 20u}) {
        Font plain;
        ASSERT_EQ(plain.load(mono, size), Font::loaded);
        for (int code = 0; code < 255; ++code)
            EXPECT_NE(plain.get_glyph(static_cast<char>(code)), nullptr) << code << " at " << size;
    }
}

}  // namespace
