#include "graphics/Graphics.h"

#include "core/MemoryFile.h"

#include <GL/glew.h>
#include <lodepng.h>

#include <climits>
#include <cstdlib>
#include <iostream>
#include <memory>

namespace {

// The decoder allocates with malloc.
struct FreeBlock {
    void operator()(unsigned char* block) const { std::free(block); }
};

// Whether an image of this size can become a texture. Asked of the header
// before anything is decoded, so a small file claiming a huge image is
// refused before it asks for gigabytes.
bool fits_a_texture(unsigned int width, unsigned int height) {
    return width <= INT_MAX && height <= INT_MAX &&
           Texture::gl_can_hold(Vec2i{static_cast<int>(width), static_cast<int>(height)}, GL_RGBA);
}

// LodePNG's own inflater, stopped once it would make more than
// settings->custom_context (a size_t) allows.
unsigned bounded_inflate(unsigned char** out, size_t* outsize, const unsigned char* in,
                         size_t insize, const LodePNGDecompressSettings* settings) {
    LodePNGDecompressSettings bounded = *settings;
    bounded.custom_zlib = nullptr;
    bounded.max_output_size = *static_cast<const size_t*>(settings->custom_context);
    return lodepng_zlib_decompress(out, outsize, in, insize, &bounded);
}

// Decodes the PNG whose header gave width x height into RGBA, letting its
// image data inflate no further than that size can need in any colour type
// and depth, interlaced or not (at most 8 bytes a pixel and a filter byte a
// row, doubled for the interlaced passes' extra rows): a small file claiming
// a small image must not inflate to gigabytes.
bool decode_bounded(lodepng::State& state, const MemoryFile& file, unsigned char** decoded,
                    unsigned int& width, unsigned int& height) {
    const size_t most_inflated =
        2 * (static_cast<size_t>(height) + 8) * (static_cast<size_t>(width) * 8 + 2);
    state.decoder.zlibsettings.custom_zlib = bounded_inflate;
    state.decoder.zlibsettings.custom_context = &most_inflated;
    return lodepng_decode(decoded, &width, &height, &state, file.data(), file.size()) == 0;
}

}  // namespace

Graphics::~Graphics() {
    for (auto& entry : textures) delete entry.second;
    for (auto& entry : fonts) delete entry.second;
    textures.clear();
    fonts.clear();
}

bool Graphics::load(const Config& factory) {
    const Config::Section* section = factory.find_section("textures");
    if (section == nullptr) {
        std::cout << "[!] Graphics::load: Could not find [textures] section\n";
        return false;
    }
    for (const auto& [name, path] : *section)
        if (!import_png(path, name)) return false;
    section = factory.find_section("fonts");
    if (section == nullptr) {
        std::cout << "[!] Graphics::load: Could not find [fonts] section\n";
        return false;
    }
    for (const auto& [name, path] : *section)
        if (!import_truetype(path, name, 20)) return false;
    return true;
}

bool Graphics::import_png(const String& path, const String& name) {
    // The file is read whole first (a FIFO or device is refused unopened);
    // every allocation below is malloc's, whose failure is a decoder error.
    MemoryFile file;
    lodepng::State state;
    state.info_raw.colortype = LCT_RGBA;
    state.info_raw.bitdepth = 8;
    unsigned int width = 0;
    unsigned int height = 0;
    unsigned char* decoded = nullptr;
    const bool decoded_ok =
        file.load(path.c_str()) &&
        lodepng_inspect(&width, &height, &state, file.data(), file.size()) == 0 &&
        fits_a_texture(width, height) && decode_bounded(state, file, &decoded, width, height);
    // The decoder may leave a block behind even when it fails.
    const std::unique_ptr<unsigned char, FreeBlock> pixels(decoded);
    auto texture = std::make_unique<Texture>();
    if (!decoded_ok || texture->load(pixels.get(), static_cast<size_t>(width) * height * 4,
                                     Vec2i{static_cast<int>(width), static_cast<int>(height)},
                                     false) != Texture::loaded) {
        std::cout << "[!] Graphics::import_png: \"" << path << "\" could not be found.\n";
        return false;
    }
    if (textures.emplace(name, texture.get()).second) texture.release();
    return true;
}

bool Graphics::import_truetype(const String& path, const String& name, uint32_t size) {
    auto font = std::make_unique<Font>();
    if (font->load(path, size) != Font::loaded) {
        // The Font's destructor releases the shared FreeType library first.
        font.reset();
        std::cout << "[!] Graphics::import_truetype: \"" << path << "\" could not be found.\n";
        return false;
    }
    if (fonts.emplace(name, font.get()).second) font.release();
    return true;
}

Texture* Graphics::get_texture(const String& name) const {
    auto it = textures.find(name);
    if (it == textures.end()) {
        // Looked up on every pass of the game loop: told once.
        if (missing_textures_told.insert(name).second)
            std::cout << "[!] Graphics::get_texture: Could not find \"" << name << "\"\n";
        return nullptr;
    }
    return it->second;
}

Font* Graphics::get_font(const String& name) const {
    auto it = fonts.find(name);
    if (it == fonts.end()) {
        if (missing_fonts_told.insert(name).second)
            std::cout << "[!] Graphics::get_font: Could not find \"" << name << "\"\n";
        return nullptr;
    }
    return it->second;
}
