// A frame's queue of draw commands, drawn in queue order into an off-screen
// render target (a texture on an EXT framebuffer object) and then composited
// as one quad onto the window. Fixed-function OpenGL 1.1 (immediate mode,
// and vertex arrays for runs of Sprites), game thread only; expects GL_BLEND
// enabled, the default texture environment and no client array enabled.
#pragma once

#include "core/Math.h"
#include "graphics/Shape.h"
#include "graphics/Sprite.h"
#include "graphics/Text.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

struct DrawCommand {
    // What kind holds; render skips any other value.
    enum Kind : uint32_t { of_sprite = 0, of_shape = 1 };

    uint32_t kind;
    const Sprite* sprite;
    const Shape* shape;
    // The Renderer made the Sprite (draw_text) and takes it back in clear.
    bool owned;
};

class Renderer {
public:
    Renderer();
    // Releases the target; the glyph Sprites go with the Renderer.
    ~Renderer();
    Renderer(const Renderer&) = delete;
    Renderer& operator=(const Renderer&) = delete;

    // A target of size x size pixels replaces the one held. Prints
    // "[!] FBO not ready" when the framebuffer is incomplete; it is kept,
    // but neither drawn into nor composited.
    void create_target(const Vec2i& size, bool smooth);
    void release_target();

    // Queued by address: the Sprite or Shape must stay alive and is read as
    // it is when render runs.
    void draw(const Sprite& sprite);
    void draw(const Shape& shape);
    // One owned glyph Sprite per byte of the Text, laid out now from the
    // Font's 26.6 metrics (whole pixels, no kerning).
    void draw_text(const Text& text);
    // The off-screen pass, then the composite pass; the queue stays. Nothing
    // at all without a complete target.
    void render();
    // Ends the owned Sprites and empties the queue (both keep their storage:
    // a steady frame allocates nothing).
    void clear();

    void set_position(const Vec2f& position);
    Vec2f position() const;
    void set_camera_offset(const Vec2f& offset);
    Vec2f camera_offset() const;
    void set_camera_scale(const Vec2f& scale);
    Vec2f camera_scale() const;
    void set_display_size(const Vec2f& size);
    Vec2f display_size() const;
    void set_window_size(const Vec2i& size);
    Vec2i target_size() const;
    // Tints every Sprite and the composite quad, never Shapes.
    void set_colour(const Vec4f& colour);
    Vec4f colour() const;
    // Degrees about the composite quad's centre, clockwise on screen.
    void set_rotation(float rotation);
    float rotation() const;
    // True: the off-screen projection spans the target (logical pixels);
    // false: it spans the window.
    void set_scaling(bool scaling);
    bool scaling() const;

private:
    // What the off-screen pass has set in GL so far (Renderer.cpp).
    class Pass;

    void draw_sprite(const Sprite& sprite, Pass& pass);
    void draw_line(const Shape& shape, Pass& pass);
    void draw_rectangle(const Shape& shape, Pass& pass);
    void draw_circle(const Shape& shape, Pass& pass);
    void composite();
    // A glyph Sprite with the default values, owned by the pool.
    Sprite* next_glyph();

    std::vector<DrawCommand> queue;
    // The Sprites of draw_text, reused frame after frame: the first
    // glyphs_used of them are queued.
    std::vector<std::unique_ptr<Sprite>> glyphs;
    size_t glyphs_used = 0;
    // The off-screen pass gathers runs of quads here (kept across frames).
    std::vector<float> placed_run;
    uint32_t framebuffer;
    uint32_t target_texture;
    // The framebuffer was complete when made; render draws nothing otherwise.
    bool complete;
    Vec2f position_;
    Vec2f camera_offset_;
    Vec2f camera_scale_;
    Vec2f display_size_;
    Vec2i target_size_;
    Vec2i window_size;
    Vec4f colour_;
    float rotation_;
    bool scaling_;
};
