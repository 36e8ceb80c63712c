#include "game/Bullet.h"

#include "game/GameContext.h"
#include "graphics/Graphics.h"

namespace {

// The strip of the texture "explosion": ten frames of 100 x 100, 25 ms each.
constexpr Vec2f explosion_size{100, 100};
constexpr Vec2f explosion_frame_size{100, 100};
constexpr float explosion_frame_time = 25;
constexpr int32_t explosion_last_frame = 10;

}  // namespace

std::unique_ptr<Explosion> new_explosion(GameContext* context, const Vec2f& centre) {
    auto explosion = std::make_unique<Explosion>();
    explosion->size = explosion_size;
    explosion->frame_time = explosion_frame_time;
    explosion->frame_size = explosion_frame_size;
    explosion->last_frame = explosion_last_frame;
    explosion->sprite.set_texture(context->graphics->get_texture("explosion"));
    explosion->sprite.set_size(explosion->size);
    explosion->timer.start(explosion->last_frame * explosion->frame_time);
    explosion->position = centre;
    explosion->sprite.set_position(
        {centre.x - explosion->size.x * 0.5f, centre.y - explosion->size.y * 0.5f});
    return explosion;
}
