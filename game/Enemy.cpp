#include "game/Enemy.h"

#include "audio/Sound.h"
#include "game/Bullet.h"
#include "game/EnemyType.h"
#include "game/GameContext.h"
#include "game/World.h"
#include "graphics/Graphics.h"

namespace {

const Vec4f transparent{0, 0, 0, 0};

}  // namespace

Enemy::Enemy(GameContext* game_context, World* owner, const EnemyType* kind)
    : context(game_context), world(owner), type(kind) {
    // The x is drawn before the heading.
    position = {random_float(-50, static_cast<float>(int64_t{context->resolution.x} + 50)), -50};
    heading = random_float(135, 225);
    dead = 0;
    health = type->max_health;
    sprite.set_texture(type->texture);
}

void Enemy::update() {
    const float width = static_cast<float>(context->resolution.x);
    const float height = static_cast<float>(context->resolution.y);
    const float dt = static_cast<float>(frame_timer.lap());

    if (wander_timer.expired() || wander_timer.duration() <= 0) {
        target_heading = random_float(135, 225);
        wander_timer.start(random_float(2000, 6000));
    }

    // Near a side edge the enemy steers back towards the bottom centre at
    // three times its turn rate; the wander target waits meanwhile.
    const float turn = dt * type->turn_rate;
    const float w = type->size.x;
    if (position.x - w < 0 || position.x + w > width) {
        const Vec2f bottom_centre{static_cast<float>(context->resolution.x / 2), height};
        heading = approach(heading, angle_between(position, bottom_centre), 3 * turn);
    } else {
        heading = approach(heading, target_heading, turn);
    }

    move_along(position, exact_position, heading, dt * type->speed);
    sprite.set_position({position.x - type->origin.x, position.y - type->origin.y});
    sprite.set_rotation(heading + 180);
    if (flash_timer.expired()) sprite.set_colour({1, 1, 1, 1});

    // 40 x 6 px, centred 10 px above the sprite's top edge.
    const float left = position.x - 20;
    const float right = position.x + 20;
    const float top = (position.y - 3) - (type->origin.y + 10);
    const float bottom = (position.y + 3) - (type->origin.y + 10);
    const float fill_end = left + 40 * (health < 0 ? 0 : health) / type->max_health;
    bar_fill.set_rectangle({left, top}, {fill_end, bottom}, transparent,
                           colour_from_255({63, 219, 6, 1}), 1);
    bar_background.set_rectangle({left, top}, {right, bottom}, transparent,
                                 colour_from_255({190, 48, 49, 1}), 1);
    bar_outline.set_rectangle({left, top}, {right, bottom}, {0, 0, 0, 1}, transparent, 1);

    if (fire_timer.expired() || fire_timer.duration() <= 0) {
        fire_timer.start(type->fire_interval);
        Bullet* bullet = new Bullet();
        bullet->position = position;
        bullet->sprite.set_texture(context->graphics->get_texture("enemy_bullet"));
        bullet->size = bullet->sprite.size();
        bullet->heading = angle_between(position, world->player_position());
        bullet->speed = type->bullet_speed;
        bullet->power = type->bullet_power;
        world->add_enemy_bullet(bullet);
    }

    if (position.y > height + sprite.size().y) {
        dead = 1;
        world->add_score(-100);
        context->sound->play_sound("lost enemy");
    }
}

void Enemy::hit(float damage) {
    flash_timer.start(type->flash_time);
    sprite.set_colour({1, 0, 0, 0.9f});
    health -= damage;
    if (health > 0) {
        context->sound->play_sound(String("hit") + String::from_int(random_int(1, 3)));
        world->add_score(1);
        return;
    }
    dead = 1;
    context->sound->play_sound(String("explosion") + String::from_int(random_int(1, 3)));
    world->add_score(type->kill_score);
    world->add_explosion(new_explosion(context, position));
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
