// The player's ship: it follows the mouse inside the screen, fires its
// level's weapon while the SHOOT key or the left button is held, flashes red
// when hit and explodes when its health runs out. Its shots and its explosion
// go to the World, which owns them.
#pragma once

#include "core/Math.h"
#include "core/Timer.h"
#include "graphics/Shape.h"
#include "graphics/Sprite.h"

#include <cstdint>

struct GameContext;
class World;

class Player {
public:
    // What a volley is, chosen by the level.
    enum Weapon : int32_t { single_bullet = 0, twin_bullets = 1, laser = 2 };

    // Plays "level up": every play screen opens with it.
    Player(GameContext* game_context, World* owner);
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    // Moves and fires while alive; rebuilds the health bar always.
    void update();
    // The ship while alive, the health bar always.
    void draw();
    // Levels 1 to 5; a rise plays "level up", a fall is silent.
    void set_level(int32_t level);
    void hit(float damage);
    bool is_dead() const;
    // {centre x, centre y, half width, half height}.
    Vec4f get_hitbox() const;

private:
    friend struct WorldProbe;  // the play-screen tests look inside

    void handle_input();
    void clamp_to_screen();
    void shoot();

    GameContext* context;
    World* world;
    Sprite sprite;
    Vec2f position;
    Vec2f size;  // fixed at construction
    Vec2f half_size;
    float fire_interval = 0;
    Timer fire_timer;
    Timer flash_timer;
    float flash_time = 0;
    uint8_t fire_requested = 0;
    int32_t level = 0;
    Weapon weapon = single_bullet;
    float max_health = 0;
    float health = 0;
    uint8_t dead = 0;
    Shape bar_fill;
    Shape bar_background;
    Shape bar_outline;
};
