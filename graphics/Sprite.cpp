#include "graphics/Sprite.h"

Sprite::Sprite()
    : texture_(nullptr),
      position_{0, 0},
      size_{0, 0},
      scale_{1, 1},
      rotation_(0),
      colour_{1, 1, 1, 1},
      texture_rect_{0, 0, 1, 1} {}

Sprite::~Sprite() { texture_ = nullptr; }

void Sprite::set_texture(Texture* texture) {
    texture_ = texture;
    if (texture != nullptr && texture->get_name() != 0) {
        Vec2i size = texture->get_size();
        size_ = Vec2f{static_cast<float>(size.x), static_cast<float>(size.y)};
    }
}

Texture* Sprite::texture() const { return texture_; }

void Sprite::set_position(const Vec2f& position) { position_ = position; }

Vec2f Sprite::position() const { return position_; }

void Sprite::set_size(const Vec2f& size) { size_ = size; }

Vec2f Sprite::size() const { return size_; }

void Sprite::set_scale(const Vec2f& scale) { scale_ = scale; }

Vec2f Sprite::scale() const { return scale_; }

void Sprite::set_rotation(float rotation) { rotation_ = rotation; }

float Sprite::rotation() const { return rotation_; }

void Sprite::set_colour(const Vec4f& colour) { colour_ = colour; }

Vec4f Sprite::colour() const { return colour_; }

void Sprite::set_alpha(float alpha) { colour_.a = alpha; }

float Sprite::alpha() const { return colour_.a; }

void Sprite::set_texture_rect(const Vec2f& corner, const Vec2f& extent) {
    if (texture_ == nullptr) return;
    Vec2i size = texture_->get_size();
    if (size.x <= 0 || size.y <= 0) return;
    float width = static_cast<float>(size.x);
    float height = static_cast<float>(size.y);
    texture_rect_ = Vec4f{corner.x / width, corner.y / height, extent.x / width, extent.y / height};
}

Vec4f Sprite::texture_rect() const { return texture_rect_; }
