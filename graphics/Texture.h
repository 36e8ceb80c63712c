// One OpenGL 2-D texture: its name and its pixel size. Deleting a Texture
// deletes the GL texture it owns, so it must die while the context is current.
#pragma once

#include "core/Math.h"

#include <cstddef>
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
    // nothing changed, when the size is 0 or less on either axis, pixels
    // holds fewer than width x height x 4 bytes (empty included), or the GL
    // cannot hold a texture of that size; loaded when uploaded, replacing the
    // texture held before.
    int load(const std::vector<uint8_t>& pixels, const Vec2i& size, bool smooth);
    // The same for count bytes at pixels.
    int load(const uint8_t* pixels, size_t count, const Vec2i& size, bool smooth);
    // Deletes the GL texture this Texture owns; the name keeps its value.
    void release();

    // Takes over a GL texture made elsewhere (Font makes its glyphs itself);
    // a different texture owned until now is deleted first.
    void set_name(uint32_t name);
    uint32_t get_name() const;
    void set_size(const Vec2i& size);
    Vec2i get_size() const;

    // Whether the current GL context can hold a texture of this size in this
    // format (GL_RGBA or GL_ALPHA, 8 bits per channel): both sides at least 1
    // and at most GL_MAX_TEXTURE_SIZE, and accepted by a proxy texture, so
    // nothing is allocated to find out. A texture it would refuse draws as a
    // white box.
    static bool gl_can_hold(const Vec2i& size, uint32_t format);

private:
    uint32_t name;
    int32_t width;
    int32_t height;
    // Whether name is still ours to delete, so it is deleted exactly once.
    bool owned;
};
