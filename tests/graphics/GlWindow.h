// A real window with the game thread's pixel format and fixed OpenGL state
// (the same calls, graphics/GlSetup.h) and a context current on the calling
// thread, made through the platform layer as the game thread makes it; and
// read-back helpers for its pixels and for textures.
#pragma once

#include <windows.h>

#include <GL/glew.h>

#include "core/Math.h"

#include <cstdint>
#include <ostream>
#include <vector>

struct Rgba {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
    uint8_t a = 0;
    bool operator==(const Rgba&) const = default;
};
std::ostream& operator<<(std::ostream& stream, const Rgba& pixel);

// An image, rows from the top down.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<Rgba> pixels;
    Rgba at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    bool operator==(const Image&) const = default;
};

class GlWindow {
public:
    // Client area of width x height pixels; ready() tells whether every step
    // (window, pixel format, context, GLEW) worked.
    GlWindow(int width, int height);
    ~GlWindow();
    GlWindow(const GlWindow&) = delete;
    GlWindow& operator=(const GlWindow&) = delete;

    bool ready() const { return ok; }
    HWND handle() const { return window; }
    HDC device() const { return dc; }
    int width() const { return client_width; }
    int height() const { return client_height; }

    // The back buffer cleared to an opaque colour.
    void clear(float r, float g, float b);
    // The back buffer as drawn so far, top row first.
    Image image() const;

private:
    HWND window = nullptr;
    HDC dc = nullptr;
    HGLRC context = nullptr;
    int client_width;
    int client_height;
    bool ok = false;
};

// A plain-GL render target for the references the Renderer is held to: an
// RGBA texture of its own (NEAREST, level 0 uninitialised) attached to an
// EXT framebuffer object. Leaves framebuffer 0 bound.
class GlTarget {
public:
    GlTarget(int width, int height);
    ~GlTarget();
    GlTarget(const GlTarget&) = delete;
    GlTarget& operator=(const GlTarget&) = delete;

    GLuint texture() const { return texture_; }
    GLuint framebuffer() const { return framebuffer_; }

    // Binds the target and sets it up as the Renderer's off-screen pass
    // does: its blend, cleared to transparent, the viewport over the whole
    // target and a projection spanning span, moved by offset and scaled by
    // scale; the model view is the current matrix.
    void begin_pass(const Vec2i& span, const Vec2f& offset = {0, 0},
                    const Vec2f& scale = {1, 1}) const;

private:
    Vec2i size;
    GLuint texture_ = 0;
    GLuint framebuffer_ = 0;
};

// Level 0 of a texture as RGBA, rows in storage order (row 0 first).
Image texture_image(GLuint texture);
// The texture bound to GL_TEXTURE_2D now (a Renderer leaves its target bound
// after compositing).
GLuint bound_texture();
