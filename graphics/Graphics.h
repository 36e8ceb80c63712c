// The named store of textures and fonts that "factory.txt" lists, loaded once
// at start-up on the game thread and handed out by name. The store owns all
// of it; the pointers it hands out stay valid until it is deleted.
#pragma once

#include "core/Config.h"
#include "core/String.h"
#include "graphics/Font.h"
#include "graphics/Texture.h"

#include <cstdint>
#include <map>
#include <set>

class Graphics {
public:
    Graphics() = default;
    ~Graphics();
    Graphics(const Graphics&) = delete;
    Graphics& operator=(const Graphics&) = delete;

    // Every [textures] entry, then every [fonts] entry (pixel size 20), in
    // key order; false at the first failure, keeping what was stored before.
    bool load(const Config& factory);
    // A name already held keeps its first texture or font. A PNG whose side
    // is beyond what the GL can hold is refused like a broken one.
    bool import_png(const String& path, const String& name);
    bool import_truetype(const String& path, const String& name, uint32_t size);
    // Null for a name that was not loaded, with a message the first time
    // that name is asked for.
    Texture* get_texture(const String& name) const;
    Font* get_font(const String& name) const;

private:
    std::map<String, Texture*> textures;
    std::map<String, Font*> fonts;
    // The names already told missing, so a lookup made on every frame does
    // not flood standard output.
    mutable std::set<String> missing_textures_told;
    mutable std::set<String> missing_fonts_told;
};
