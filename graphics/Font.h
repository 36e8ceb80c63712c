// One TrueType face rasterised once at one pixel size: an alpha texture and
// the metrics of every character code from 0 to 254, keyed by the signed
// char (codes 128 to 254 are keys -128 to -2, found by the same bytes of a
// String).
#pragma once

#include "core/String.h"
#include "graphics/Texture.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdint>
#include <map>
#include <memory>

// FreeType's 26.6 fixed point values (1/64 pixel) of one glyph.
struct GlyphMetrics {
    int32_t width = 0;
    int32_t height = 0;
    int32_t horiBearingX = 0;
    int32_t horiBearingY = 0;
    int32_t horiAdvance = 0;
    int32_t vertBearingX = 0;
    int32_t vertBearingY = 0;
    int32_t vertAdvance = 0;
};

class Font {
public:
    // The results of load.
    enum LoadResult : int { loaded = 0, face_not_opened = 1, size_not_set = 2 };

    Font();
    // Releases the glyph textures and the shared FreeType library, which
    // takes every face opened in it along.
    ~Font();
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    // Makes the shared library when there is none: 0 when it exists, 1 when
    // FreeType could not start.
    static int init_library();
    // Needs the OpenGL context current. A LoadResult: the face is not opened
    // when the path names no regular file (a FIFO would block the open) or
    // FreeType cannot open it. A glyph that FreeType cannot render, or whose
    // bitmap is beyond what the GL can hold or far larger than the size asked
    // for (a face with odd metrics), is left out. Loading again first drops
    // the glyphs of the earlier load.
    int load(const String& path, uint32_t size);
    // Null, with a message, for a character that was not loaded.
    Texture* get_glyph(char c) const;
    // All zeros, with a message, for a character that was not loaded.
    GlyphMetrics get_metrics(char c) const;

private:
    void release_glyphs();

    FT_Face face;
    std::map<signed char, std::unique_ptr<Texture>> glyphs;
    std::map<signed char, GlyphMetrics> metrics;

    static FT_Library ft_library;
};
