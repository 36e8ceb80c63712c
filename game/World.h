// The play screen: the ship, the enemies and their schedule, both sides'
// shots, explosions, debris, the scrolling stars, the score and the high
// score texts. Entities talk back to it through add_score, player_position
// and the three add_ operations; it owns everything handed to it.
#pragma once

#include "core/Math.h"
#include "core/Timer.h"
#include "game/Bullet.h"
#include "graphics/Shape.h"
#include "graphics/Text.h"

#include <cstdint>
#include <memory>
#include <vector>

struct GameContext;
struct EnemyType;
class Game;
class Player;
class Enemy;

class World {
public:
    World(GameContext* game_context, Game* owner);
    ~World();
    World(const World&) = delete;
    World& operator=(const World&) = delete;

    // One step of the play screen.
    void update();
    // Queues the play screen, back to front.
    void draw() const;

    // n may be negative.
    void add_score(int32_t n);
    // The ship's centre.
    Vec2f player_position() const;
    // The three take over what they are handed: it belongs to the World
    // from then on.
    void add_player_bullet(Bullet* bullet);
    void add_enemy_bullet(Bullet* bullet);
    // Also sprays 40 debris particles from the explosion's centre.
    void add_explosion(Explosion* explosion);

private:
    friend struct WorldProbe;  // the play-screen tests look inside

    void update_stars();
    void spawn_enemies();
    void update_enemies();
    void update_bullets();
    void check_collisions();
    void update_explosions();
    void update_debris();

    static constexpr int star_count = 20;

    GameContext* context;
    Game* game;
    Shape background;
    std::unique_ptr<Player> player;
    std::vector<std::unique_ptr<Enemy>> enemies;  // in spawning order
    std::vector<std::unique_ptr<Bullet>> player_bullets;
    std::vector<std::unique_ptr<Bullet>> enemy_bullets;
    Timer spawn_timer;  // the delay to the next enemy; duration 0 until the first
    int32_t score = 0;
    Text score_text;
    Text high_score_text;
    std::vector<std::unique_ptr<EnemyType>> enemy_types;  // "enemy1", "enemy2", "enemy3"
    Timer play_clock;       // drives the schedule; its lap is the frame delta
    float frame_delta = 0;  // ms since the previous update
    std::vector<std::unique_ptr<Explosion>> explosions;
    Star stars[star_count];
    std::vector<std::unique_ptr<DebrisParticle>> debris;
};
