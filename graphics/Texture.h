// One OpenGL 2-D texture: its name and its pixel size. Deleting a Texture
// deletes the GL texture it owns, so it must die while the context is current.
#pragma once

#include "core/Math.h"

#include <cstdint>
#include <vector>

class Texture {
public:
    // The results of load.
    enum LoadResult : int { loaded = 0, refused = 1 };

    Texture();
    ~Texture();
    Texture(const Texture&) = delete;
    Texture& operator=(const Texture&) = delete;

    // Uploads an RGBA image, 8 bits per channel, top row first. refused, with
    // nothing changed, when the size is 0 or less on either axis or pixels
    // holds fewer than width x height x 4 bytes (empty included); loaded when
    // uploaded, replacing the texture held before.
    int load(const std::vector<uint8_t>& pixels, const Vec2i& size, bool smooth);
    // Deletes the GL texture this Texture owns; the name keeps its value.
    void release();

    // Takes over a GL texture made elsewhere (Font makes its glyphs itself);
    // a different texture owned until now is deleted first.
    void set_name(uint32_t name);
    uint32_t get_name() const;
    void set_size(const Vec2i& size);
    Vec2i get_size() const;

private:
    uint32_t name;
    int32_t width;
    int32_t height;
    // Whether name is still ours to delete, so it is deleted exactly once.
    bool owned;
};
