// One enemy ship: it enters above the top edge, wanders downwards, steers
// back from the side edges, fires aimed shots at the ship and either
// explodes or is lost below the bottom edge. Its shots, score changes and
// explosion go to the World.
#pragma once

#include "core/Math.h"
#include "core/Timer.h"
#include "game/Motion.h"
#include "graphics/Shape.h"
#include "graphics/Sprite.h"

#include <cstdint>

struct GameContext;
struct EnemyType;
class World;

class Enemy {
public:
    // Places the enemy at a random x above the top edge with a random
    // downward heading; nothing is started, so the first update fires.
    Enemy(GameContext* game_context, World* owner, const EnemyType* kind);
    Enemy(const Enemy&) = delete;
    Enemy& operator=(const Enemy&) = delete;

    void update();
    void draw() const;
    // A hit on an enemy that is already dead kills it again.
    void hit(float damage);
    bool is_dead() const;
    // {centre x, centre y, half width, half height}.
    Vec4f get_hitbox() const;

private:
    friend struct WorldProbe;  // the play-screen tests look inside

    GameContext* context;
    World* world;
    const EnemyType* type;
    Sprite sprite;
    Vec2f position;             // centre
    ExactPoint exact_position;  // where the steps add up
    Timer frame_timer;          // its lap is the enemy's own time step
    Timer fire_timer;
    Timer flash_timer;
    float heading = 0;  // degrees, 180 straight down
    float target_heading = 0;
    Timer wander_timer;
    uint8_t dead = 0;
    float health = 0;
    Shape bar_fill;
    Shape bar_background;
    Shape bar_outline;
};
