// A drawable line of text: its String, Font, pen position (baseline), scale
// and colour. Renderer::draw_text lays it out; size and rotation are only
// stored.
#pragma once

#include "core/Math.h"
#include "core/String.h"
#include "graphics/Font.h"

class Text {
public:
    Text();

    void set_font(Font* font);
    Font* font() const;
    void set_string(const String& string);
    const String& string() const;
    void set_position(const Vec2f& position);
    Vec2f position() const;
    void set_size(const Vec2f& size);
    Vec2f size() const;
    void set_scale(const Vec2f& scale);
    Vec2f scale() const;
    void set_rotation(float rotation);
    float rotation() const;
    void set_colour(const Vec4f& colour);
    Vec4f colour() const;
    void set_alpha(float alpha);
    float alpha() const;

private:
    Font* font_;
    String string_;
    Vec2f position_;
    Vec2f size_;
    Vec2f scale_;
    Vec4f colour_;
    float rotation_;
};
