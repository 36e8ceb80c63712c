#include "graphics/Text.h"

Text::Text()
    : font_(nullptr),
      position_{0, 0},
      size_{0, 0},
      scale_{1, 1},
      colour_{1, 1, 1, 1},
      rotation_(0) {}

void Text::set_font(Font* font) { font_ = font; }

Font* Text::font() const { return font_; }

void Text::set_string(const String& string) { string_ = string; }

const String& Text::string() const { return string_; }

void Text::set_position(const Vec2f& position) { position_ = position; }

Vec2f Text::position() const { return position_; }

void Text::set_size(const Vec2f& size) { size_ = size; }

Vec2f Text::size() const { return size_; }

void Text::set_scale(const Vec2f& scale) { scale_ = scale; }

Vec2f Text::scale() const { return scale_; }

void Text::set_rotation(float rotation) { rotation_ = rotation; }

float Text::rotation() const { return rotation_; }

void Text::set_colour(const Vec4f& colour) { colour_ = colour; }

Vec4f Text::colour() const { return colour_; }

void Text::set_alpha(float alpha) { colour_.a = alpha; }

float Text::alpha() const { return colour_.a; }
