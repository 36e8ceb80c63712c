#include "graphics/Graphics.h"

#include "core/RegularFile.h"

#include <lodepng.h>

#include <iostream>
#include <vector>

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
    std::vector<unsigned char> pixels;
    unsigned int width = 0;
    unsigned int height = 0;
    // A FIFO would block the open, a device might never end.
    if (!names_regular_file(path.c_str()) ||
        lodepng::decode(pixels, width, height, path.to_std_string(), LCT_RGBA, 8) != 0) {
        std::cout << "[!] Graphics::import_png: \"" << path << "\" could not be found.\n";
        return false;
    }
    Texture* texture = new Texture();
    texture->load(pixels, Vec2i{static_cast<int>(width), static_cast<int>(height)}, false);
    if (!textures.emplace(name, texture).second) delete texture;
    return true;
}

bool Graphics::import_truetype(const String& path, const String& name, uint32_t size) {
    Font* font = new Font();
    if (font->load(path, size) != Font::loaded) {
        delete font;
        std::cout << "[!] Graphics::import_truetype: \"" << path << "\" could not be found.\n";
        return false;
    }
    if (!fonts.emplace(name, font).second) delete font;
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
