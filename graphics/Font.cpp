#include "graphics/Font.h"

#include "core/RegularFile.h"

#include <GL/glew.h>

#include <cstdlib>
#include <iostream>
#include <vector>

FT_Library Font::ft_library = nullptr;

namespace {

// A glyph's bitmap may be at most this many times the pixel size asked for,
// plus the allowance, on either side; real faces stay near one time.
constexpr unsigned int glyph_side_per_pixel = 4;
constexpr unsigned int glyph_side_allowance = 16;

// Whether a rendered bitmap is fit to become a glyph texture.
bool glyph_fits(const FT_Bitmap& bitmap, uint32_t size) {
    if (bitmap.width == 0 || bitmap.rows == 0) return true;
    const uint64_t largest = uint64_t{glyph_side_per_pixel} * size + glyph_side_allowance;
    return bitmap.width <= largest && bitmap.rows <= largest &&
           Texture::gl_can_hold(
               Vec2i{static_cast<int>(bitmap.width), static_cast<int>(bitmap.rows)}, GL_ALPHA);
}

// The rendered bitmap as packed rows of one coverage byte per pixel, top row
// first; false for a pixel mode that is neither 8-bit grey nor 1-bit.
bool coverage_of(const FT_Bitmap& bitmap, std::vector<uint8_t>& out) {
    const unsigned int width = bitmap.width;
    const unsigned int rows = bitmap.rows;
    out.assign(static_cast<size_t>(width) * rows, 0);
    if (width == 0 || rows == 0) return true;
    if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY && bitmap.pixel_mode != FT_PIXEL_MODE_MONO)
        return false;
    const size_t stride = static_cast<size_t>(std::abs(bitmap.pitch));
    for (unsigned int row = 0; row < rows; ++row) {
        // A negative pitch stores the bottom row first.
        const unsigned int stored = bitmap.pitch < 0 ? rows - 1 - row : row;
        const uint8_t* source = bitmap.buffer + stored * stride;
        uint8_t* target = out.data() + static_cast<size_t>(row) * width;
        for (unsigned int x = 0; x < width; ++x) {
            if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY)
                target[x] = source[x];
            else
                target[x] = (source[x / 8] & (0x80 >> (x % 8))) != 0 ? 255 : 0;
        }
    }
    return true;
}

GlyphMetrics metrics_of(const FT_Glyph_Metrics& m) {
    GlyphMetrics result;
    result.width = static_cast<int32_t>(m.width);
    result.height = static_cast<int32_t>(m.height);
    result.horiBearingX = static_cast<int32_t>(m.horiBearingX);
    result.horiBearingY = static_cast<int32_t>(m.horiBearingY);
    result.horiAdvance = static_cast<int32_t>(m.horiAdvance);
    result.vertBearingX = static_cast<int32_t>(m.vertBearingX);
    result.vertBearingY = static_cast<int32_t>(m.vertBearingY);
    result.vertAdvance = static_cast<int32_t>(m.vertAdvance);
    return result;
}

}  // namespace

Font::Font() : face(nullptr) { init_library(); }

Font::~Font() {
    release_glyphs();
    if (ft_library != nullptr) {
        FT_Done_FreeType(ft_library);
        ft_library = nullptr;
    }
}

int Font::init_library() {
    if (ft_library != nullptr) return 0;
    if (FT_Init_FreeType(&ft_library) != 0) {
        ft_library = nullptr;
        std::cout << "Error initialising FreeType!\n";
        return 1;
    }
    return 0;
}

int Font::load(const String& path, uint32_t size) {
    init_library();
    release_glyphs();
    const std::string file = path.to_std_string();
    if (!names_regular_file(file.c_str()) || FT_New_Face(ft_library, file.c_str(), 0, &face) != 0) {
        face = nullptr;
        std::cout << "Error initialising new FreeType face!\n";
        return face_not_opened;
    }
    if (FT_Set_Pixel_Sizes(face, 0, size) != 0) {
        std::cout << "Error setting FreeType face size!\n";
        return size_not_set;
    }
    std::vector<uint8_t> coverage;
    for (int code = 0; code < 255; ++code) {
        FT_UInt index = FT_Get_Char_Index(face, static_cast<FT_ULong>(code));
        if (FT_Load_Glyph(face, index, FT_LOAD_RENDER) != 0) continue;
        const FT_GlyphSlot slot = face->glyph;
        if (!glyph_fits(slot->bitmap, size) || !coverage_of(slot->bitmap, coverage)) continue;
        auto texture = std::make_unique<Texture>();
        texture->set_size(
            Vec2i{static_cast<int>(slot->bitmap.width), static_cast<int>(slot->bitmap.rows)});
        GLuint name = 0;
        glGenTextures(1, &name);
        glBindTexture(GL_TEXTURE_2D, name);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_ALPHA, static_cast<GLsizei>(slot->bitmap.width),
                     static_cast<GLsizei>(slot->bitmap.rows), 0, GL_ALPHA, GL_UNSIGNED_BYTE,
                     coverage.data());
        texture->set_name(name);
        const signed char key = static_cast<signed char>(code);
        glyphs[key] = std::move(texture);
        metrics[key] = metrics_of(slot->metrics);
    }
    glBindTexture(GL_TEXTURE_2D, 0);
    return loaded;
}

Texture* Font::get_glyph(char c) const {
    auto it = glyphs.find(static_cast<signed char>(c));
    if (it == glyphs.end()) {
        std::cout << "Glyph call: \"" << c << "\" could not be found.\n";
        return nullptr;
    }
    return it->second.get();
}

GlyphMetrics Font::get_metrics(char c) const {
    auto it = metrics.find(static_cast<signed char>(c));
    if (it == metrics.end()) {
        std::cout << "Metric call: \"" << c << "\" could not be found.\n";
        return GlyphMetrics();
    }
    return it->second;
}

void Font::release_glyphs() {
    for (auto& entry : glyphs) entry.second.reset();  // in key order
    glyphs.clear();
    metrics.clear();
}
