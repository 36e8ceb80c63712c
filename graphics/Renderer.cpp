#include "graphics/Renderer.h"

#include <GL/glew.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <iostream>
#include <memory>
#include <numbers>
#include <utility>

namespace {

// More segments than this cannot be told apart and would only stall the
// frame: a larger count draws this many.
constexpr float most_segments = 100000.0f;

void colour_of(const Vec4f& c) { glColor4f(c.r, c.g, c.b, c.a); }

// Where a w x h quad whose top-left corner is at position goes: the model
// view moves to pivot and turns there by rotation (a rotated quad turns
// about its centre); corner is the quad's top-left corner in the moved
// coordinates.
struct QuadPlacement {
    Vec2f pivot;
    float rotation;
    Vec2f corner;
};

QuadPlacement placement_of(const Vec2f& position, float w, float h, float rotation) {
    if (rotation == 0) return {position, 0, Vec2f{0, 0}};
    return {Vec2f{position.x + w / 2, position.y + h / 2}, rotation, Vec2f{-w / 2, -h / 2}};
}

// Moves GL's model view to the quad's placement. Returns its corner.
Vec2f place_quad(const Vec2f& position, float w, float h, float rotation) {
    const QuadPlacement placement = placement_of(position, w, h, rotation);
    glTranslatef(placement.pivot.x, placement.pivot.y, 0);
    if (placement.rotation != 0) glRotatef(placement.rotation, 0, 0, 1);
    return placement.corner;
}

}  // namespace

// The off-screen pass keeps texturing on across a run of Sprites (off for
// Shapes and at the end), binds a texture and sets a colour only when they
// change, and draws a run of Sprites that lie wholly inside the view as one
// vertex array, leaving out those wholly outside it: each glEnable/glDisable
// pair, matrix change or draw of its own would make the driver validate its
// state again for every Sprite.
//
// Not one pixel may change, so the rasteriser must receive the very
// vertices that drawing each Sprite alone under its own matrices gives:
// - A batched Sprite's corners are placed here with the float operations,
//   in the order, of GL's fixed-function path (the projection times the
//   model view as an affine product, then per vertex a multiply and three
//   multiply-adds, each rounded), and handed over under identity matrices,
//   which pass them through unchanged.
// - A quad that crosses the edge of the view goes to the driver's clipper,
//   which may cut it into other triangles than an unclipped quad's; drawing
//   the two kinds in one draw has moved pixels where texel edges fall on
//   pixel centres. Such quads are drawn alone under GL's matrices as
//   before; the matrix change keeps each a draw of its own.
class Renderer::Pass {
public:
    // Reads the projection render has set up; the model view is identity.
    // Runs are gathered in run (its storage kept from frame to frame).
    explicit Pass(std::vector<float>& storage) : run(storage) {
        run.clear();
        glGetFloatv(GL_PROJECTION_MATRIX, projection.data());
        placing =
            projection[3] == 0 && projection[7] == 0 && projection[11] == 0 && projection[15] == 1;
    }

    // Places a w x h quad at position, turned by rotation, and queues it in
    // the run; a quad wholly beyond one edge of the view would draw nothing
    // and is left out. False, with nothing done, when the quad crosses an
    // edge: GL must place and clip it alone.
    bool batch_quad(GLuint texture, const Vec4f& c, const Vec2f& position, float w, float h,
                    float rotation, const Vec4f& texture_rect) {
        if (!placing) return false;
        // The model view place_quad would make.
        const QuadPlacement placement = placement_of(position, w, h, rotation);
        Matrix model_view = translation(placement.pivot.x, placement.pivot.y);
        if (placement.rotation != 0)
            model_view = affine_product(model_view, turn(placement.rotation));
        const Matrix m = affine_product(projection, model_view);
        const float x0 = placement.corner.x;
        const float y0 = placement.corner.y;
        const float tx = texture_rect.x1;
        const float ty = texture_rect.y1;
        const float tw = texture_rect.x2;
        const float th = texture_rect.y2;
        // The texture's top-left (tx, ty) lands on the quad's top-left corner.
        const Corner corners[4] = {
            {transform(m, x0, y0 + h), tx, ty + th},
            {transform(m, x0 + w, y0 + h), tx + tw, ty + th},
            {transform(m, x0 + w, y0), tx + tw, ty},
            {transform(m, x0, y0), tx, ty},
        };
        if (beyond_an_edge(corners)) return true;
        for (const Corner& corner : corners)
            if (!inside(corner.at)) return false;
        if (!placed) {
            end_run();
            glMatrixMode(GL_PROJECTION);
            glPushMatrix();
            glLoadIdentity();
            glMatrixMode(GL_MODELVIEW);
            if (moved) glLoadIdentity();
            moved = false;
            placed = true;
        }
        texturing(true);
        bind(texture);
        colour(c);
        for (const Corner& corner : corners)
            run.insert(run.end(), {corner.s, corner.t, corner.at.x, corner.at.y, corner.at.z});
        return true;
    }

    // Before the vertices of a Sprite GL places: the model view moved to a
    // w x h quad at position, turned by rotation. Returns the quad's
    // top-left corner in the moved coordinates.
    Vec2f begin_quad(GLuint texture, const Vec4f& c, const Vec2f& position, float w, float h,
                     float rotation) {
        unplace();
        texturing(true);
        bind(texture);
        colour(c);
        glLoadIdentity();
        moved = true;
        return place_quad(position, w, h, rotation);
    }

    // Before any GL call of a Shape: its vertices are where it says.
    void begin_shape() {
        unplace();
        texturing(false);
        if (!moved) return;
        glLoadIdentity();
        moved = false;
    }

    // The current colour; set only when it changes.
    void colour(const Vec4f& c) {
        if (coloured && c.r == current.r && c.g == current.g && c.b == current.b &&
            c.a == current.a)
            return;
        end_run();
        colour_of(c);
        current = c;
        coloured = true;
    }

    // After the last command: the run drawn, GL's projection back, texturing
    // off.
    void finish() {
        unplace();
        texturing(false);
    }

private:
    // A column-major 4 x 4 matrix, as GL holds it.
    using Matrix = std::array<float, 16>;

    struct Corner {
        Vec3f at;  // clip coordinates (w is 1)
        float s;
        float t;
    };

    // GL's translation of the identity by (x, y, 0).
    static Matrix translation(float x, float y) {
        Matrix m{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
        for (int i = 0; i < 4; ++i) m[12 + i] = m[i] * x + m[4 + i] * y + m[8 + i] * 0 + m[12 + i];
        return m;
    }

    // GL's rotation of the identity by degrees about the z axis, its angle
    // converted to radians in double.
    static Matrix turn(float degrees) {
        const float radians = static_cast<float>(degrees * std::numbers::pi / 180.0);
        const float s = std::sin(radians);
        const float c = std::cos(radians);
        return Matrix{c, s, 0, 0, -s, c, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    }

    // GL's product a x b of two matrices whose bottom rows are 0 0 0 1.
    static Matrix affine_product(const Matrix& a, const Matrix& b) {
        Matrix p{};
        for (int i = 0; i < 3; ++i) {
            const float a0 = a[i];
            const float a1 = a[4 + i];
            const float a2 = a[8 + i];
            const float a3 = a[12 + i];
            for (int j = 0; j < 3; ++j)
                p[4 * j + i] = a0 * b[4 * j] + a1 * b[4 * j + 1] + a2 * b[4 * j + 2];
            p[12 + i] = a0 * b[12] + a1 * b[13] + a2 * b[14] + a3;
        }
        p[15] = 1;
        return p;
    }

    // The vertex (x, y, 0, 1) through m as GL's vertex program takes it:
    // one product per column, added in turn, each step rounded to float.
    static Vec3f transform(const Matrix& m, float x, float y) {
        float out[3];
        for (int i = 0; i < 3; ++i) {
            float sum = x * m[i];
            sum = y * m[4 + i] + sum;
            sum = 0.0f * m[8 + i] + sum;
            sum = 1.0f * m[12 + i] + sum;
            out[i] = sum;
        }
        return Vec3f{out[0], out[1], out[2]};
    }

    // Strictly within the view, where no clipping can touch a vertex (NaN
    // is not).
    static bool inside(const Vec3f& v) {
        return v.x > -1 && v.x < 1 && v.y > -1 && v.y < 1 && v.z >= -1 && v.z <= 1;
    }

    // Every corner past the same edge of the view (NaN is past none).
    static bool beyond_an_edge(const Corner (&corners)[4]) {
        auto all = [&](auto past) {
            return std::all_of(std::begin(corners), std::end(corners),
                               [&](const Corner& corner) { return past(corner.at); });
        };
        return all([](const Vec3f& v) { return v.x < -1; }) ||
               all([](const Vec3f& v) { return v.x > 1; }) ||
               all([](const Vec3f& v) { return v.y < -1; }) ||
               all([](const Vec3f& v) { return v.y > 1; });
    }

    // GL places vertices again: the run drawn, its projection back.
    void unplace() {
        end_run();
        if (!placed) return;
        glMatrixMode(GL_PROJECTION);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
        placed = false;
    }

    // Draws the gathered quads as one array of texture coordinates and
    // vertices.
    void end_run() {
        if (run.empty()) return;
        glInterleavedArrays(GL_T2F_V3F, 0, run.data());
        glDrawArrays(GL_QUADS, 0, static_cast<GLsizei>(run.size() / floats_per_corner));
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        glDisableClientState(GL_VERTEX_ARRAY);
        run.clear();
    }

    void texturing(bool on) {
        if (textured == on) return;
        end_run();
        if (on)
            glEnable(GL_TEXTURE_2D);
        else
            glDisable(GL_TEXTURE_2D);
        textured = on;
    }

    void bind(GLuint texture) {
        if (bound == texture) return;
        end_run();
        glBindTexture(GL_TEXTURE_2D, texture);
        bound = texture;
    }

    // A corner in the run: s, t, x, y, z.
    static constexpr size_t floats_per_corner = 5;

    std::vector<float>& run;  // the placed quads not yet drawn
    Matrix projection;
    bool placing = false;   // the projection is affine: quads can be placed here
    bool placed = false;    // GL's matrices are identity (its projection pushed)
    bool textured = false;  // GL_TEXTURE_2D is enabled
    GLuint bound = 0;       // the texture this pass bound; 0: none yet
    bool moved = false;     // the model view is a Sprite's, not identity
    Vec4f current;          // the colour this pass set, when coloured
    bool coloured = false;
};

Renderer::Renderer()
    : framebuffer(0),
      target_texture(0),
      complete(false),
      position_{0, 0},
      camera_offset_{0, 0},
      camera_scale_{1, 1},
      display_size_{0, 0},
      target_size_{0, 0},
      window_size{0, 0},
      colour_{1, 1, 1, 1},
      rotation_(0),
      scaling_(false) {}

Renderer::~Renderer() { release_target(); }

void Renderer::create_target(const Vec2i& size, bool smooth) {
    target_size_ = size;
    release_target();
    GLint filter = smooth ? GL_LINEAR : GL_NEAREST;
    GLuint texture = 0;
    glGenTextures(1, &texture);
    target_texture = texture;
    glBindTexture(GL_TEXTURE_2D, target_texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, size.x, size.y, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glBindTexture(GL_TEXTURE_2D, 0);
    GLuint made = 0;
    glGenFramebuffersEXT(1, &made);
    framebuffer = made;
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, framebuffer);
    glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D,
                              target_texture, 0);
    complete = glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT) == GL_FRAMEBUFFER_COMPLETE_EXT;
    if (!complete) std::cout << "[!] FBO not ready\n";
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
}

void Renderer::release_target() {
    if (framebuffer != 0) {
        GLuint held = framebuffer;
        // Drivers with only the EXT extension lack the core entry point.
        if (glDeleteFramebuffers != nullptr)
            glDeleteFramebuffers(1, &held);
        else
            glDeleteFramebuffersEXT(1, &held);
        framebuffer = 0;
    }
    if (target_texture != 0) {
        GLuint held = target_texture;
        glDeleteTextures(1, &held);
        target_texture = 0;
    }
    complete = false;
}

void Renderer::draw(const Sprite& sprite) {
    queue.push_back(DrawCommand{DrawCommand::of_sprite, &sprite, nullptr, false});
}

void Renderer::draw(const Shape& shape) {
    queue.push_back(DrawCommand{DrawCommand::of_shape, nullptr, &shape, false});
}

void Renderer::draw_text(const Text& text) {
    Font* font = text.font();
    if (font == nullptr) return;
    Vec2f pen = text.position();
    const Vec2f s = text.scale();
    const Vec4f c = text.colour();
    const String& string = text.string();
    for (unsigned int i = 0; i < string.size(); ++i) {
        const char b = string.at(i);
        Sprite* sprite = next_glyph();
        const GlyphMetrics m = font->get_metrics(b);
        const float bx = static_cast<float>(m.horiBearingX >> 6) * s.x;
        const float by = static_cast<float>(m.horiBearingY >> 6) * s.y;
        sprite->set_texture(font->get_glyph(b));
        sprite->set_position(Vec2f{pen.x + bx, pen.y - by});
        sprite->set_scale(s);
        sprite->set_colour(c);
        pen.x += static_cast<float>(m.horiAdvance >> 6) * s.x;
        queue.push_back(DrawCommand{DrawCommand::of_sprite, sprite, nullptr, true});
    }
}

void Renderer::render() {
    // An incomplete target (no area, or beyond what GL can hold) would take
    // no drawing and composite as a white quad.
    if (framebuffer == 0 || target_texture == 0 || !complete) return;
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, framebuffer);
    // Colour blends by the source alpha; the target's alpha adds up what was
    // drawn over it, so the composite can lay it over the window premultiplied.
    glBlendFuncSeparateEXT(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ONE);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glViewport(0, 0, target_size_.x, target_size_.y);
    const Vec2i span = scaling_ ? target_size_ : window_size;
    glOrtho(0, span.x, span.y, 0, -1, 1);
    glTranslatef(camera_offset_.x, camera_offset_.y, 1);
    glScalef(camera_scale_.x, camera_scale_.y, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    Pass pass(placed_run);
    for (const DrawCommand& command : queue) {
        if (command.kind == DrawCommand::of_sprite) {
            draw_sprite(*command.sprite, pass);
        } else if (command.kind == DrawCommand::of_shape) {
            switch (command.shape->kind()) {
                case Shape::line:
                    draw_line(*command.shape, pass);
                    break;
                case Shape::rectangle:
                    draw_rectangle(*command.shape, pass);
                    break;
                case Shape::ellipse:
                    draw_circle(*command.shape, pass);
                    break;
                default:
                    break;
            }
        }
    }
    pass.finish();
    composite();
}

void Renderer::composite() {
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    // The target holds premultiplied colour: add it and weaken what lies
    // beneath by its alpha.
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glViewport(0, 0, window_size.x, window_size.y);
    glOrtho(0, window_size.x, window_size.y, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    if (!(colour_.a > 0)) return;
    glEnable(GL_TEXTURE_2D);
    const float w = display_size_.x;
    const float h = display_size_.y;
    const Vec2f corner = place_quad(position_, w, h, rotation_);
    const float x0 = corner.x;
    const float y0 = corner.y;
    colour_of(colour_);
    glBindTexture(GL_TEXTURE_2D, target_texture);
    // Row 0 of the target is its bottom row.
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex2f(x0, y0 + h);
    glTexCoord2f(1, 0);
    glVertex2f(x0 + w, y0 + h);
    glTexCoord2f(1, 1);
    glVertex2f(x0 + w, y0);
    glTexCoord2f(0, 1);
    glVertex2f(x0, y0);
    glEnd();
    glDisable(GL_TEXTURE_2D);
}

Sprite* Renderer::next_glyph() {
    if (glyphs_used == glyphs.size()) glyphs.push_back(std::make_unique<Sprite>());
    Sprite* sprite = glyphs[glyphs_used++].get();
    *sprite = Sprite();
    return sprite;
}

void Renderer::clear() {
    // The owned Sprites go back to the pool for the next frame's texts.
    glyphs_used = 0;
    queue.clear();
}

void Renderer::draw_sprite(const Sprite& sprite, Pass& pass) {
    const Texture* texture = sprite.texture();
    if (texture == nullptr || texture->get_name() == 0) return;
    const Vec4f own = sprite.colour();
    const Vec4f c{own.r * colour_.r, own.g * colour_.g, own.b * colour_.b, own.a * colour_.a};
    if (!(c.a > 0)) return;
    const Vec2f size = sprite.size();
    const Vec2f scale = sprite.scale();
    const float w = size.x * scale.x;
    const float h = size.y * scale.y;
    const Vec2f position = sprite.position();
    const float rotation = sprite.rotation();
    const Vec4f t = sprite.texture_rect();
    if (pass.batch_quad(texture->get_name(), c, position, w, h, rotation, t)) return;
    const float tx = t.x1;
    const float ty = t.y1;
    const float tw = t.x2;
    const float th = t.y2;
    // The texture's top-left (tx, ty) lands on the quad's top-left corner.
    const Vec2f corner = pass.begin_quad(texture->get_name(), c, position, w, h, rotation);
    const float x0 = corner.x;
    const float y0 = corner.y;
    glBegin(GL_QUADS);
    glTexCoord2f(tx, ty + th);
    glVertex2f(x0, y0 + h);
    glTexCoord2f(tx + tw, ty + th);
    glVertex2f(x0 + w, y0 + h);
    glTexCoord2f(tx + tw, ty);
    glVertex2f(x0 + w, y0);
    glTexCoord2f(tx, ty);
    glVertex2f(x0, y0);
    glEnd();
}

void Renderer::draw_line(const Shape& shape, Pass& pass) {
    pass.begin_shape();
    const Vec4f& ends = shape.records()[0];
    const Vec4f& colour = shape.records()[1];
    glLineWidth(shape.floats()[0]);
    if (!(colour.a > 0)) return;
    pass.colour(colour);
    glBegin(GL_LINES);
    glVertex2f(ends.x1, ends.y1);
    glVertex2f(ends.x2, ends.y2);
    glEnd();
}

void Renderer::draw_rectangle(const Shape& shape, Pass& pass) {
    pass.begin_shape();
    const Vec4f& corners = shape.records()[0];
    const Vec4f& outline = shape.records()[1];
    const Vec4f& fill = shape.records()[2];
    const float width = shape.floats()[0];
    float x1 = corners.x1;
    float y1 = corners.y1;
    float x2 = corners.x2;
    float y2 = corners.y2;
    // Both coordinates run the same way from the first corner to the second.
    if (x2 > x1 && y1 > y2)
        std::swap(x1, x2);
    else if (x1 > x2 && y2 > y1)
        std::swap(y1, y2);
    glLineWidth(width);
    glPointSize(width);
    if (fill.a > 0) {
        pass.colour(fill);
        glBegin(GL_QUADS);
        glVertex2f(x1, y2);
        glVertex2f(x2, y2);
        glVertex2f(x2, y1);
        glVertex2f(x1, y1);
        glEnd();
    }
    if (outline.a > 0) {
        pass.colour(outline);
        glBegin(GL_LINE_LOOP);
        glVertex2f(x1, y1);
        glVertex2f(x2, y1);
        glVertex2f(x2, y2);
        glVertex2f(x1, y2);
        glEnd();
        glBegin(GL_POINTS);
        glVertex2f(x1, y1);
        glVertex2f(x2, y1);
        glVertex2f(x2, y2);
        glVertex2f(x1, y2);
        glEnd();
    }
}

void Renderer::draw_circle(const Shape& shape, Pass& pass) {
    pass.begin_shape();
    const Vec2f& centre = shape.points()[0];
    const Vec2f& radii = shape.points()[1];
    const Vec4f& outline = shape.records()[0];
    const Vec4f& fill = shape.records()[1];
    const float count = shape.floats()[0];
    // Bounded, not dropped; NaN fails both comparisons and counts as 0.
    const float bounded = count > most_segments ? most_segments : count;
    const int n = bounded >= 0 ? static_cast<int>(bounded) : 0;
    glLineWidth(shape.floats()[1]);
    if (n == 0) return;
    auto rim = [&](int i) {
        const float a = static_cast<float>(6.2831853 * (static_cast<double>(i) / n));
        const float x = centre.x + static_cast<float>(std::cos(static_cast<double>(a)) * radii.x);
        const float y = centre.y + static_cast<float>(std::sin(static_cast<double>(a)) * radii.y);
        glVertex2f(x, y);
    };
    if (fill.a > 0) {
        pass.colour(fill);
        glBegin(GL_TRIANGLE_FAN);
        glVertex2f(centre.x, centre.y);
        for (int i = n; i >= 0; --i) rim(i);
        glEnd();
    }
    if (outline.a > 0) {
        pass.colour(outline);
        glBegin(GL_LINE_LOOP);
        for (int i = 0; i < n; ++i) rim(i);
        glEnd();
    }
}

void Renderer::set_position(const Vec2f& position) { position_ = position; }

Vec2f Renderer::position() const { return position_; }

void Renderer::set_camera_offset(const Vec2f& offset) { camera_offset_ = offset; }

Vec2f Renderer::camera_offset() const { return camera_offset_; }

void Renderer::set_camera_scale(const Vec2f& scale) { camera_scale_ = scale; }

Vec2f Renderer::camera_scale() const { return camera_scale_; }

void Renderer::set_display_size(const Vec2f& size) { display_size_ = size; }

Vec2f Renderer::display_size() const { return display_size_; }

void Renderer::set_window_size(const Vec2i& size) { window_size = size; }

Vec2i Renderer::target_size() const { return target_size_; }

void Renderer::set_colour(const Vec4f& colour) { colour_ = colour; }

Vec4f Renderer::colour() const { return colour_; }

void Renderer::set_rotation(float rotation) { rotation_ = rotation; }

float Renderer::rotation() const { return rotation_; }

void Renderer::set_scaling(bool scaling) { scaling_ = scaling; }

bool Renderer::scaling() const { return scaling_; }
