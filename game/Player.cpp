#include "game/Player.h"

#include "audio/Sound.h"
#include "game/Bullet.h"
#include "game/GameContext.h"
#include "game/World.h"
#include "graphics/Graphics.h"
#include "platform/Input.h"

namespace {

const Vec4f transparent{0, 0, 0, 0};

struct LevelRow {
    float fire_interval;
    int32_t weapon;
};

// Levels 1 to 5.
const LevelRow level_table[5] = {{210, 0}, {160, 0}, {100, 0}, {80, 1}, {80, 2}};

}  // namespace

Player::Player(GameContext* game_context, World* owner) : context(game_context), world(owner) {
    sprite.set_texture(context->graphics->get_texture("ship"));
    size = sprite.size();
    half_size = {size.x * 0.5f, size.y * 0.5f};
    // Integer halves, in 64 bits so no resolution can overflow.
    position = {static_cast<float>(int64_t{context->resolution.x} / 2),
                static_cast<float>(int64_t{context->resolution.y} / 2)};
    fire_requested = 0;
    max_health = 20;
    health = 20;
    dead = 0;
    flash_time = 50;
    level = 0;
    set_level(1);
    fire_timer.start(fire_interval);
}

void Player::set_level(int32_t new_level) {
    if (level < new_level) context->sound->play_sound("level up");
    if (new_level < 1 || new_level > 5) return;
    if (new_level == level) return;
    // The running fire timer keeps its duration; the new interval applies
    // from the next volley.
    level = new_level;
    fire_interval = level_table[new_level - 1].fire_interval;
    weapon = level_table[new_level - 1].weapon;
}

void Player::update() {
    if (!dead) {
        handle_input();
        clamp_to_screen();
        shoot();
    }

    const float y0 = static_cast<float>(int64_t{context->resolution.y} - 40);
    const float y1 = y0 + 10;
    const float filled = 250 * (health < 0 ? 0 : health) / max_health;
    bar_fill.set_rectangle({40, y0}, {40 + filled, y1}, transparent,
                           colour_from_255({63, 219, 6, 1}), 1);
    bar_background.set_rectangle({40, y0}, {290, y1}, transparent,
                                 colour_from_255({190, 48, 49, 1}), 1);
    bar_outline.set_rectangle({40, y0}, {290, y1}, {0, 0, 0, 1}, transparent, 1);
}

void Player::handle_input() {
    // The movement keys are left out: the mouse position below replaces
    // whatever they would do in the same call.
    const Input& input = *context->input;
    if ((input.key_down(context->key_shoot) || input.mouse_left) &&
        (fire_timer.expired() || fire_timer.duration() <= 0)) {
        fire_requested = 1;
        fire_timer.start(fire_interval);
    }
    position = input.mouse_position;
}

void Player::clamp_to_screen() {
    const float width = static_cast<float>(context->resolution.x);
    const float height = static_cast<float>(context->resolution.y);
    const Vec2f drawn = sprite.size();
    // Both edges of an axis are tested against the corner taken before any
    // correction.
    const float left = position.x - half_size.x;
    const float top = position.y - half_size.y;
    if (left < 0) position.x -= left;
    if (left + drawn.x > width) position.x += width - (left + drawn.x);
    if (top < 0) position.y -= top;
    if (top + drawn.y > height) position.y += height - (top + drawn.y);
    sprite.set_position({position.x - half_size.x, position.y - half_size.y});
}

void Player::fire_shot(const Vec2f& at, const char* texture, const Vec2f& shot_size, float spread,
                       float speed, float power) {
    Bullet* bullet = new Bullet();
    bullet->position = at;
    bullet->sprite.set_texture(context->graphics->get_texture(texture));
    bullet->size = shot_size;
    bullet->heading = random_float(-spread, spread);
    bullet->speed = speed;
    bullet->power = power;
    world->add_player_bullet(bullet);
}

void Player::shoot() {
    if (!fire_requested) return;
    switch (weapon) {
        case 0:
            fire_shot(position, "bullet", {1, 11}, 2.2f, 0.7f, 1.0f);
            context->sound->play_sound("gun");
            break;
        case 1:
            fire_shot({position.x - 8, position.y}, "bullet", {1, 11}, 0.8f, 0.9f, 0.7f);
            fire_shot({position.x + 8, position.y}, "bullet", {1, 11}, 0.8f, 0.9f, 0.7f);
            context->sound->play_sound("gun");
            break;
        case 2:
            fire_shot(position, "laser", {1, 23}, 0.7f, 1.3f, 3.0f);
            context->sound->play_sound("laser");
            break;
        default:
            break;
    }
    fire_requested = 0;
}

void Player::hit(float damage) {
    flash_timer.start(flash_time);
    sprite.set_colour({1, 0, 0, 0.9f});
    health -= damage;
    if (health > 0) {
        context->sound->play_sound("player hit");
        return;
    }
    // A hit on a ship that is already dead explodes it again.
    dead = 1;
    context->sound->play_sound(String("explosion") + String::from_int(random_int(1, 3)));
    world->add_explosion(new_explosion(context, position));
    context->sound->play_sound("player died");
}

bool Player::is_dead() const { return dead != 0; }

Vec4f Player::get_hitbox() const { return {position.x, position.y, size.x * 0.5f, size.y * 0.5f}; }

void Player::draw() {
    if (!dead) context->field_renderer.draw(sprite);
    // The renderer reads the sprite when it renders, so this applies to the
    // frame being built.
    if (flash_timer.expired()) sprite.set_colour({1, 1, 1, 1});
    context->bar_renderer.draw(bar_background);
    context->bar_renderer.draw(bar_fill);
    context->bar_renderer.draw(bar_outline);
}
