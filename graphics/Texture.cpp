#include "graphics/Texture.h"

#include <GL/glew.h>

Texture::Texture() : name(0), width(0), height(0), owned(false) {}

Texture::~Texture() { release(); }

int Texture::load(const std::vector<uint8_t>& pixels, const Vec2i& size, bool smooth) {
    return load(pixels.data(), pixels.size(), size, smooth);
}

int Texture::load(const uint8_t* pixels, size_t count, const Vec2i& size, bool smooth) {
    if (count == 0 || size.x <= 0 || size.y <= 0 ||
        count / 4 / static_cast<uint64_t>(size.x) < static_cast<uint64_t>(size.y) ||
        !gl_can_hold(size, GL_RGBA))
        return refused;
    release();
    width = size.x;
    height = size.y;
    GLuint made = 0;
    glGenTextures(1, &made);
    name = made;
    owned = true;
    glBindTexture(GL_TEXTURE_2D, name);
    GLint filter = smooth ? GL_LINEAR : GL_NEAREST;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    glBindTexture(GL_TEXTURE_2D, 0);
    return loaded;
}

void Texture::release() {
    if (name != 0 && owned) {
        GLuint held = name;
        glDeleteTextures(1, &held);
    }
    owned = false;
}

void Texture::set_name(uint32_t new_name) {
    // The same name again is already ours, unless it was released and has
    // since been made anew: then it is taken over like any other.
    if (new_name == name && owned) return;
    release();
    name = new_name;
    owned = new_name != 0;
}

uint32_t Texture::get_name() const { return name; }

void Texture::set_size(const Vec2i& size) {
    width = size.x;
    height = size.y;
}

Vec2i Texture::get_size() const { return Vec2i{width, height}; }

bool Texture::gl_can_hold(const Vec2i& size, uint32_t format) {
    GLint largest = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    if (size.x <= 0 || size.y <= 0 || size.x > largest || size.y > largest) return false;
    const GLenum pixel_format = format;
    glTexImage2D(GL_PROXY_TEXTURE_2D, 0, static_cast<GLint>(pixel_format), size.x, size.y, 0,
                 pixel_format, GL_UNSIGNED_BYTE, nullptr);
    GLint accepted = 0;
    glGetTexLevelParameteriv(GL_PROXY_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &accepted);
    return accepted != 0;
}
