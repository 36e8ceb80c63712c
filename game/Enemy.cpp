#include "game/Enemy.h"

#include "audio/Sound.h"
#include "game/Bullet.h"
#include "game/EnemyType.h"
#include "game/GameContext.h"
#include "game/PlayLook.h"
#include "game/World.h"
#include "graphics/Graphics.h"

namespace {

// A new enemy's centre lies this far above the top edge, its x up to this
// far beyond either side.
constexpr int32_t spawn_margin = 50;
// Roughly downwards: the start heading and every wander target.
constexpr Range downward_headings{135, 225};
// How long a wander target lasts, ms.
constexpr Range wander_time{2000, 6000};
// Near a side edge the enemy turns back this many times its turn rate.
constexpr float steer_back_factor = 3;

// The health bar, centred this far above the sprite's top edge.
constexpr float bar_width = 40;
constexpr float bar_height = 6;
constexpr float bar_above_sprite = 10;

// The picture points up the screen; the enemy flies nose first.
constexpr float sprite_turn = 180;

constexpr int32_t hit_score = 1;
constexpr int32_t escape_penalty = 100;

}  // namespace

Enemy::Enemy(GameContext* game_context, World* owner, const EnemyType* kind)
    : context(game_context), world(owner), type(kind) {
    // The x is drawn before the heading.
    position = {random_float(-spawn_margin,
                             static_cast<float>(int64_t{context->resolution.x} + spawn_margin)),
                -spawn_margin};
    heading = downward_headings.draw();
    dead = 0;
    health = type->max_health;
    sprite.set_texture(type->texture);
}

void Enemy::update() {
    const float width = static_cast<float>(context->resolution.x);
    const float height = static_cast<float>(context->resolution.y);
    const float dt = static_cast<float>(frame_timer.lap());

    if (wander_timer.expired() || wander_timer.duration() <= 0) {
        target_heading = downward_headings.draw();
        wander_timer.start(wander_time.draw());
    }

    // Near a side edge the enemy steers back towards the bottom centre
    // faster than it wanders; the wander target waits meanwhile.
    const float turn = dt * type->turn_rate;
    const float w = type->size.x;
    if (position.x - w < 0 || position.x + w > width) {
        const Vec2f bottom_centre{static_cast<float>(context->resolution.x / 2), height};
        heading =
            approach(heading, angle_between(position, bottom_centre), steer_back_factor * turn);
    } else {
        heading = approach(heading, target_heading, turn);
    }

    move_along(position, exact_position, heading, dt * type->speed);
    sprite.set_position({position.x - type->origin.x, position.y - type->origin.y});
    sprite.set_rotation(heading + sprite_turn);
    if (flash_timer.expired()) sprite.set_colour(untinted);

    const float lift = type->origin.y + bar_above_sprite;
    const Vec2f top_left{position.x - bar_width / 2, (position.y - bar_height / 2) - lift};
    const Vec2f bottom_right{position.x + bar_width / 2, (position.y + bar_height / 2) - lift};
    const float fill_right = top_left.x + bar_width * (health < 0 ? 0 : health) / type->max_health;
    set_health_bar(bar_fill, bar_background, bar_outline, top_left, bottom_right, fill_right);

    if (fire_timer.expired() || fire_timer.duration() <= 0) {
        fire_timer.start(type->fire_interval);
        auto bullet = std::make_unique<Bullet>();
        bullet->position = position;
        bullet->sprite.set_texture(context->graphics->get_texture("enemy_bullet"));
        bullet->size = bullet->sprite.size();
        bullet->heading = angle_between(position, world->player_position());
        bullet->speed = type->bullet_speed;
        bullet->power = type->bullet_power;
        world->add_enemy_bullet(bullet.release());
    }

    if (position.y > height + sprite.size().y) {
        dead = 1;
        world->add_score(-escape_penalty);
        context->sound->play_sound("lost enemy");
    }
}

void Enemy::hit(float damage) {
    flash_timer.start(type->flash_time);
    sprite.set_colour(hit_flash);
    health -= damage;
    if (health > 0) {
        context->sound->play_sound(sound_variant("hit"));
        world->add_score(hit_score);
        return;
    }
    dead = 1;
    context->sound->play_sound(sound_variant("explosion"));
    world->add_score(type->kill_score);
    world->add_explosion(new_explosion(context, position).release());
}

bool Enemy::is_dead() const { return dead != 0; }

Vec4f Enemy::get_hitbox() const {
    return {position.x, position.y, type->size.x * 0.5f, type->size.y * 0.5f};
}

void Enemy::draw() const {
    context->field_renderer.draw(sprite);
    context->bar_renderer.draw(bar_background);
    context->bar_renderer.draw(bar_fill);
    context->bar_renderer.draw(bar_outline);
}
