#include "game/Bullet.h"

#include "game/GameContext.h"
#include "graphics/Graphics.h"

Explosion* new_explosion(GameContext* context, const Vec2f& centre) {
    Explosion* explosion = new Explosion();
    explosion->size = {100, 100};
    explosion->frame_time = 25;
    explosion->frame_size = {100, 100};
    explosion->last_frame = 10;
    explosion->sprite.set_texture(context->graphics->get_texture("explosion"));
    explosion->sprite.set_size(explosion->size);
    explosion->timer.start(explosion->last_frame * explosion->frame_time);
    explosion->position = centre;
    explosion->sprite.set_position(
        {centre.x - explosion->size.x * 0.5f, centre.y - explosion->size.y * 0.5f});
    return explosion;
}
