// One enemy kind's constants. The World builds the three kinds and owns them;
// every Enemy points at the one it was made from and only reads it.
#pragma once

#include "core/Math.h"

#include <cstdint>

class Texture;

struct EnemyType {
    Texture* texture = nullptr;  // not owned; null when the store lacks it
    float fire_interval = 0;     // ms between an enemy's shots
    float speed = 0;             // px per ms along the heading
    float turn_rate = 0;         // degrees per ms
    float max_health = 0;
    float flash_time = 0;  // ms of red after a hit
    Vec2f size;            // the texture's pixel size; (0, 0) without one
    Vec2f origin;          // size x 0.5
    int32_t kill_score = 0;
    float bullet_power = 0;
    float bullet_speed = 0;  // px per ms
};
