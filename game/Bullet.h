// The light-weight records of the play screen. They have no behaviour of
// their own: the World moves, animates, fades and removes them, and owns each
// from the moment it is handed over.
#pragma once

#include "core/Math.h"
#include "core/Timer.h"
#include "game/Motion.h"
#include "graphics/Shape.h"
#include "graphics/Sprite.h"

#include <cstdint>
#include <memory>

struct GameContext;

// One shot; the player's and the enemies' differ only in the list holding them.
struct Bullet {
    Vec2f position;             // centre
    Sprite sprite;              // centred on position and turned to heading every update
    Vec2f size;                 // collision width and height; half of it are the radii
    float heading = 0;          // degrees, fixed for the shot's life
    float speed = 0;            // px per ms
    float power = 0;            // damage dealt on a hit
    ExactPoint exact_position;  // where the World's steps add up
};

// An animation drawn from a horizontal strip of equal frames.
struct Explosion {
    Vec2f position;  // centre
    Vec2f size;      // drawn size
    Sprite sprite;
    Timer timer;           // runs for last_frame x frame_time
    float frame_time = 0;  // ms per frame
    int32_t last_frame = 0;
    Vec2f frame_size;  // one frame in texture pixels
};

// A spark of an explosion; the background stars share the layout.
struct DebrisParticle {
    Vec2f position;  // top-left corner of the square
    Shape shape;     // the filled square, rebuilt on every update
    Vec2f size;
    Vec4f colour;
    float heading = 0;          // degrees; a star keeps 0 and falls straight down
    float speed = 0;            // px per ms, 0.07 x the square's side
    Timer life;                 // a spark's life; a star's is never started
    ExactPoint exact_position;  // where the World's steps add up
};

using Star = DebrisParticle;

// A new explosion of a dying body, centred on it: ten 100 x 100 frames of
// the texture "explosion", 25 ms each. Its maker hands it to the World.
std::unique_ptr<Explosion> new_explosion(GameContext* context, const Vec2f& centre);
