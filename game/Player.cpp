#include "game/Player.h"

#include "audio/Sound.h"
#include "game/Bullet.h"
#include "game/GameContext.h"
#include "game/PlayLook.h"
#include "game/World.h"
#include "graphics/Graphics.h"
#include "platform/Input.h"

namespace {

constexpr float full_health = 20;
constexpr float hit_flash_time = 50;  // ms

struct LevelRow {
    float fire_interval;  // ms between volleys
    Player::Weapon weapon;
};

// Levels 1 to 5.
constexpr int32_t first_level = 1;
constexpr int32_t top_level = 5;
constexpr LevelRow level_table[top_level] = {
    {210, Player::single_bullet}, {160, Player::single_bullet}, {100, Player::single_bullet},
    {80, Player::twin_bullets},   {80, Player::laser},
};

// One weapon's volley: its shots, from the ship's centre shifted sideways by
// each offset in turn, with headings drawn from -spread to spread, and the
// sound played once after them.
struct WeaponRow {
    int shots;
    float offsets[2];
    const char* texture;
    Vec2f size;
    float spread;  // degrees
    float speed;   // px per ms
    float power;
    const char* sound;
};

// By weapon kind.
constexpr WeaponRow weapon_table[] = {
    {1, {0, 0}, "bullet", {1, 11}, 2.2f, 0.7f, 1.0f, "gun"},
    {2, {-8, 8}, "bullet", {1, 11}, 0.8f, 0.9f, 0.7f, "gun"},
    {1, {0, 0}, "laser", {1, 23}, 0.7f, 1.3f, 3.0f, "laser"},
};

// The health bar at the bottom left: this far from the left and the bottom
// edge, the full length for full health.
constexpr float bar_left = 40;
constexpr int32_t bar_above_bottom = 40;
constexpr float bar_length = 250;
constexpr float bar_height = 10;

}  // namespace

Player::Player(GameContext* game_context, World* owner) : context(game_context), world(owner) {
    sprite.set_texture(context->graphics->get_texture("ship"));
    size = sprite.size();
    half_size = {size.x * 0.5f, size.y * 0.5f};
    // Integer halves, in 64 bits so no resolution can overflow.
    position = {static_cast<float>(int64_t{context->resolution.x} / 2),
                static_cast<float>(int64_t{context->resolution.y} / 2)};
    fire_requested = 0;
    max_health = full_health;
    health = full_health;
    dead = 0;
    flash_time = hit_flash_time;
    level = 0;
    set_level(first_level);
    fire_timer.start(fire_interval);
}

void Player::set_level(int32_t new_level) {
    if (level < new_level) context->sound->play_sound("level up");
    if (new_level < first_level || new_level > top_level) return;
    if (new_level == level) return;
    // The running fire timer keeps its duration; the new interval applies
    // from the next volley.
    level = new_level;
    fire_interval = level_table[new_level - first_level].fire_interval;
    weapon = level_table[new_level - first_level].weapon;
}

void Player::update() {
    if (!dead) {
        handle_input();
        clamp_to_screen();
        shoot();
    }

    const float top = static_cast<float>(int64_t{context->resolution.y} - bar_above_bottom);
    const float filled = bar_length * (health < 0 ? 0 : health) / max_health;
    set_health_bar(bar_fill, bar_background, bar_outline, {bar_left, top},
                   {bar_left + bar_length, top + bar_height}, bar_left + filled);
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

void Player::shoot() {
    if (!fire_requested) return;
    const WeaponRow& row = weapon_table[weapon];
    for (int i = 0; i < row.shots; ++i) {
        auto bullet = std::make_unique<Bullet>();
        bullet->position = {position.x + row.offsets[i], position.y};
        bullet->sprite.set_texture(context->graphics->get_texture(row.texture));
        bullet->size = row.size;
        bullet->heading = random_float(-row.spread, row.spread);
        bullet->speed = row.speed;
        bullet->power = row.power;
        world->add_player_bullet(bullet.release());
    }
    context->sound->play_sound(row.sound);
    fire_requested = 0;
}

void Player::hit(float damage) {
    flash_timer.start(flash_time);
    sprite.set_colour(hit_flash);
    health -= damage;
    if (health > 0) {
        context->sound->play_sound("player hit");
        return;
    }
    // A hit on a ship that is already dead explodes it again.
    dead = 1;
    context->sound->play_sound(sound_variant("explosion"));
    world->add_explosion(new_explosion(context, position).release());
    context->sound->play_sound("player died");
}

bool Player::is_dead() const { return dead != 0; }

Vec4f Player::get_hitbox() const { return {position.x, position.y, size.x * 0.5f, size.y * 0.5f}; }

void Player::draw() {
    if (!dead) context->field_renderer.draw(sprite);
    // The renderer reads the sprite when it renders, so this applies to the
    // frame being built.
    if (flash_timer.expired()) sprite.set_colour(untinted);
    context->bar_renderer.draw(bar_background);
    context->bar_renderer.draw(bar_fill);
    context->bar_renderer.draw(bar_outline);
}
