// A textured, coloured, scaled and rotated rectangle, held by value. The
// quad spans position to position + size x scale and turns about its centre.
#pragma once

#include "core/Math.h"
#include "graphics/Texture.h"

class Sprite {
public:
    Sprite();
    ~Sprite();
    Sprite(const Sprite&) = default;
    Sprite& operator=(const Sprite&) = default;

    // Takes the size of a loaded texture (GL name not 0); otherwise the size
    // stays as it was.
    void set_texture(Texture* texture);
    Texture* texture() const;
    void set_position(const Vec2f& position);
    Vec2f position() const;
    void set_size(const Vec2f& size);
    Vec2f size() const;
    void set_scale(const Vec2f& scale);
    Vec2f scale() const;
    // Degrees; positive turns clockwise on screen.
    void set_rotation(float rotation);
    float rotation() const;
    void set_colour(const Vec4f& colour);
    Vec4f colour() const;
    void set_alpha(float alpha);
    float alpha() const;
    // corner and extent in texture pixels of the current texture; kept as it
    // was when there is no texture or it has no area.
    void set_texture_rect(const Vec2f& corner, const Vec2f& extent);
    // x, y, width, height in normalised texture coordinates.
    Vec4f texture_rect() const;

private:
    Texture* texture_;
    Vec2f position_;
    Vec2f size_;
    Vec2f scale_;
    float rotation_;
    Vec4f colour_;
    Vec4f texture_rect_;
};
