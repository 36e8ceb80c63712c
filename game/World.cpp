#include "game/World.h"

#include "game/Enemy.h"
#include "game/EnemyType.h"
#include "game/Game.h"
#include "game/GameContext.h"
#include "game/PlayLook.h"
#include "game/Player.h"
#include "graphics/Graphics.h"
#include "graphics/Texture.h"

#include <iterator>
#include <limits>

namespace {

struct KindRow {
    const char* name;
    float fire_interval;
    float speed;
    float turn_rate;
    float max_health;
    float flash_time;
    int32_t kill_score;
    float bullet_power;
    float bullet_speed;
};

constexpr KindRow kind_table[3] = {
    {"enemy1", 7000, 0.04f, 0.02f, 6, 50, 50, 1, 0.05f},
    {"enemy2", 3500, 0.06f, 0.03f, 8, 50, 100, 1, 0.12f},
    {"enemy3", 1200, 0.14f, 0.05f, 14, 50, 150, 2, 0.25f},
};

// The first row whose bound lies above the play time decides the kind of the
// enemy spawned now and the range of the delay to the next one.
struct ScheduleRow {
    float below_seconds;
    int kind;
    float delay_low;
    float delay_high;
};

constexpr ScheduleRow schedule[5] = {
    {30, 0, 1200, 1700},
    {90, 0, 750, 1400},
    {120, 0, 500, 800},
    {180, 1, 510, 750},
    {std::numeric_limits<float>::infinity(), 2, 500, 800},
};

std::unique_ptr<EnemyType> build_kind(GameContext* context, const KindRow& row) {
    auto kind = std::make_unique<EnemyType>();
    kind->texture = context->graphics->get_texture(row.name);
    kind->fire_interval = row.fire_interval;
    kind->speed = row.speed;
    kind->turn_rate = row.turn_rate;
    kind->max_health = row.max_health;
    kind->flash_time = row.flash_time;
    // Without a texture the kind has a point for a hit box and draws nothing.
    if (kind->texture) {
        const Vec2i pixels = kind->texture->get_size();
        kind->size = {static_cast<float>(pixels.x), static_cast<float>(pixels.y)};
    }
    kind->origin = {kind->size.x * 0.5f, kind->size.y * 0.5f};
    kind->kill_score = row.kill_score;
    kind->bullet_power = row.bullet_power;
    kind->bullet_speed = row.bullet_speed;
    return kind;
}

// The score from which each level 2 to 5 begins; below the first, level 1.
constexpr int32_t level_scores[] = {500, 2500, 5500, 15000};

int32_t level_for(int32_t score) {
    int32_t level = 1;
    for (const int32_t from : level_scores)
        if (score >= from) ++level;
    return level;
}

// Ramming: the damage both the ship and the enemy take, and the points lost.
constexpr float ram_damage = 10;
constexpr int32_t ram_penalty = 100;
// Points lost for every enemy shot that hits the ship.
constexpr int32_t shot_penalty = 10;

// The sparks of every explosion: squares of a random side, as fast as 0.07
// times it (px per ms), flying off at any heading, red to yellow, fading
// out over their life (ms).
constexpr int debris_per_explosion = 40;
constexpr double speed_per_side = 0.07;
constexpr Range debris_side{1, 4};
constexpr Range debris_heading{0, 360};
constexpr Range debris_green{0.2f, 1};
constexpr Range debris_life{1500, 4000};

// The star field: grey squares, falling as fast as 0.07 times their side
// (px per ms). The first stars lie anywhere from this far above the top
// edge; a star that left at the bottom comes back just above the top,
// possibly bigger than the first ones.
constexpr float star_start_above = 50;
constexpr Range star_start_side{1, 4};
constexpr float star_return_y = -10;
constexpr Range star_return_side{1, 5};
constexpr Range star_brightness{0.5f, 1};
constexpr float star_alpha = 0.5f;

// A star's side (drawn from side), brightness and the speed that goes with
// its side, drawn in that order.
void dress_star(Star& star, const Range& side) {
    const float s = side.draw();
    star.size = {s, s};
    const float b = star_brightness.draw();
    star.colour = {b, b, b, star_alpha};
    star.speed = static_cast<float>(speed_per_side * s);
}

// Red, green and blue over 255.
constexpr Vec4f background_255{45, 45, 75, 1};

constexpr Vec2f score_text_position{10, 20};
constexpr Vec2f high_score_text_position{10, 40};

// The keep test of enemy shots and debris: the point may lie up to size
// beyond the left and top edges, but not beyond the right and bottom ones
// (edges included), so a debris square is kept while it touches the screen.
bool on_screen(const Vec2f& position, const Vec2f& size, const Vec2i& resolution) {
    return point_in_rect(
        position, {-size.x, -size.y},
        {static_cast<float>(resolution.x) + size.x, static_cast<float>(resolution.y) + size.y});
}

// One step of a shot along its heading, its picture centred on it.
void fly(Bullet& bullet, float frame_delta) {
    move_along(bullet.position, bullet.exact_position, bullet.heading, frame_delta * bullet.speed);
    const Vec2f picture = bullet.sprite.size();
    bullet.sprite.set_position(
        {bullet.position.x - picture.x * 0.5f, bullet.position.y - picture.y * 0.5f});
    bullet.sprite.set_rotation(bullet.heading);
}

}  // namespace

World::World(GameContext* game_context, Game* owner) : context(game_context), game(owner) {
    player = std::make_unique<Player>(context, this);
    score = 0;
    score_text.set_font(context->graphics->get_font("lucon"));
    high_score_text.set_font(context->graphics->get_font("lucon"));
    score_text.set_position(score_text_position);
    high_score_text.set_position(high_score_text_position);
    for (const KindRow& row : kind_table) enemy_types.push_back(build_kind(context, row));

    // The constructor's only random draws, in this order per star.
    const float width = static_cast<float>(context->resolution.x);
    const float height = static_cast<float>(context->resolution.y);
    for (Star& star : stars) {
        const float y = random_float(-star_start_above, height);
        const float x = random_float(0, width);
        star.position = {x, y};
        dress_star(star, star_start_side);
    }
}

World::~World() = default;

void World::update() {
    context->cursor_clip = 1;
    frame_delta = static_cast<float>(play_clock.lap());
    update_stars();
    spawn_enemies();
    player->update();  // also while dead: the health bar
    update_enemies();
    update_bullets();
    check_collisions();
    update_explosions();
    update_debris();

    score_text.set_string(String("SCORE ") + String::from_int(score));
    const int32_t high = game->high_score();
    if (high > 0) high_score_text.set_string(String("HIGH SCORE ") + String::from_int(high));
    // On every update while dead, so shots still in flight can raise the
    // stored score and escapes after the death never lower it.
    if (player->is_dead()) game->set_high_score(score);
    player->set_level(level_for(score));
}

void World::add_score(int32_t n) { score += n; }

Vec2f World::player_position() const {
    const Vec4f hitbox = player->get_hitbox();
    return {hitbox.x1, hitbox.y1};
}

void World::add_player_bullet(Bullet* bullet) { player_bullets.emplace_back(bullet); }

void World::add_enemy_bullet(Bullet* bullet) { enemy_bullets.emplace_back(bullet); }

void World::add_explosion(Explosion* explosion) {
    explosions.emplace_back(explosion);
    for (int i = 0; i < debris_per_explosion; ++i) {
        auto particle = std::make_unique<DebrisParticle>();
        particle->position = explosion->position;
        const float s = debris_side.draw();
        particle->size = {s, s};
        particle->heading = debris_heading.draw();
        particle->speed = static_cast<float>(speed_per_side * s);
        const float g = debris_green.draw();
        particle->colour = {1, g, 0, 1};
        particle->life.start(debris_life.draw());
        debris.push_back(std::move(particle));
    }
}

void World::update_stars() {
    const Vec4f& screen = context->screen_rect;
    background.set_rectangle_bounds({screen.x1, screen.y1, screen.x2, screen.y2}, transparent,
                                    colour_from_255(background_255), 0);

    const float width = static_cast<float>(context->resolution.x);
    const float height = static_cast<float>(context->resolution.y);
    for (Star& star : stars) {
        // Straight down.
        move_along(star.position, star.exact_position, 180, frame_delta * star.speed);
        if (star.position.y > height + star.size.y) {
            const float x = random_float(0, width);
            star.position = {x, star_return_y};
            dress_star(star, star_return_side);
        }
        star.shape.set_rectangle(star.position,
                                 {star.position.x + star.size.x, star.position.y + star.size.y},
                                 transparent, star.colour, 1);
    }
}

void World::spawn_enemies() {
    // A duration of 0 (until the first spawn) counts as due.
    if (!(spawn_timer.expired() || spawn_timer.duration() <= 0)) return;
    const float t = static_cast<float>(play_clock.elapsed_seconds());
    const ScheduleRow* row = &schedule[std::size(schedule) - 1];
    for (const ScheduleRow& candidate : schedule) {
        if (t < candidate.below_seconds) {
            row = &candidate;
            break;
        }
    }
    enemies.push_back(std::make_unique<Enemy>(context, this, enemy_types[row->kind].get()));
    // Drawn after the enemy's own draws.
    spawn_timer.start(random_float(row->delay_low, row->delay_high));
}

void World::update_enemies() {
    // Only the ones dead before this update go: an enemy that dies in this
    // update stays listed, and drawn, until the next.
    std::erase_if(enemies, [](const std::unique_ptr<Enemy>& enemy) { return enemy->is_dead(); });
    for (const std::unique_ptr<Enemy>& enemy : enemies) enemy->update();
}

void World::update_bullets() {
    for (const std::unique_ptr<Bullet>& bullet : player_bullets) fly(*bullet, frame_delta);
    // Only the top edge for the player's shots: their weapons fire upwards.
    std::erase_if(player_bullets, [](const std::unique_ptr<Bullet>& bullet) {
        return bullet->position.y < -bullet->sprite.size().y;
    });
    for (const std::unique_ptr<Bullet>& bullet : enemy_bullets) fly(*bullet, frame_delta);
    std::erase_if(enemy_bullets, [&](const std::unique_ptr<Bullet>& bullet) {
        return !on_screen(bullet->position, bullet->size, context->resolution);
    });
}

void World::check_collisions() {
    const Vec4f ship = player->get_hitbox();
    const Vec2f ship_centre{ship.x1, ship.y1};
    const Vec2f ship_radii{ship.x2, ship.y2};

    for (const std::unique_ptr<Enemy>& enemy : enemies) {
        const Vec4f box = enemy->get_hitbox();
        const Vec2f centre{box.x1, box.y1};
        const Vec2f radii{box.x2, box.y2};
        // Every overlapping shot hits, in list order, also after the enemy
        // has died; a shot that hit is gone, so it hits only the earliest
        // enemy in the list.
        std::erase_if(player_bullets, [&](const std::unique_ptr<Bullet>& bullet) {
            if (!ellipses_overlap(bullet->position, centre,
                                  {bullet->size.x * 0.5f, bullet->size.y * 0.5f}, radii))
                return false;
            enemy->hit(bullet->power);
            return true;
        });
        // Nothing is pushed apart: a ram repeats on every update of overlap.
        if (!player->is_dead() && ellipses_overlap(ship_centre, centre, ship_radii, radii)) {
            enemy->hit(ram_damage);
            player->hit(ram_damage);
            score -= ram_penalty;
        }
    }

    // The ship's state is tested once: every overlapping shot of this walk
    // hits, also after one of them has killed it.
    if (player->is_dead()) return;
    std::erase_if(enemy_bullets, [&](const std::unique_ptr<Bullet>& bullet) {
        if (!ellipses_overlap(bullet->position, ship_centre,
                              {bullet->size.x * 0.5f, bullet->size.y * 0.5f}, ship_radii))
            return false;
        player->hit(bullet->power);
        score -= shot_penalty;
        return true;
    });
}

void World::update_explosions() {
    for (const std::unique_ptr<Explosion>& explosion : explosions) {
        const double frames = explosion->timer.elapsed() / explosion->frame_time;
        const int32_t frame =
            frames < explosion->last_frame ? static_cast<int32_t>(frames) : explosion->last_frame;
        explosion->sprite.set_texture_rect({frame * explosion->frame_size.x, 0},
                                           explosion->frame_size);
    }
    std::erase_if(explosions, [](const std::unique_ptr<Explosion>& explosion) {
        return explosion->timer.expired();
    });
}

void World::update_debris() {
    for (const std::unique_ptr<DebrisParticle>& particle : debris) {
        move_along(particle->position, particle->exact_position, particle->heading,
                   frame_delta * particle->speed);
        particle->colour.a =
            static_cast<float>(1.0 - particle->life.elapsed() / particle->life.duration());
        particle->shape.set_rectangle(
            particle->position,
            {particle->position.x + particle->size.x, particle->position.y + particle->size.y},
            transparent, particle->colour, 1);
    }
    // A particle stays while its square still touches the screen and it
    // has life left.
    std::erase_if(debris, [&](const std::unique_ptr<DebrisParticle>& particle) {
        return !on_screen(particle->position, particle->size, context->resolution) ||
               particle->life.expired();
    });
}

void World::draw() const {
    Renderer& field = context->field_renderer;
    field.draw(background);
    for (const Star& star : stars) field.draw(star.shape);
    for (const std::unique_ptr<Bullet>& bullet : player_bullets) field.draw(bullet->sprite);
    for (const std::unique_ptr<Bullet>& bullet : enemy_bullets) field.draw(bullet->sprite);
    player->draw();
    for (const std::unique_ptr<Enemy>& enemy : enemies) enemy->draw();
    for (const std::unique_ptr<Explosion>& explosion : explosions) field.draw(explosion->sprite);
    for (const std::unique_ptr<DebrisParticle>& particle : debris) field.draw(particle->shape);

    context->text_renderer.draw_text(score_text);
    context->text_renderer.draw_text(high_score_text);
}
