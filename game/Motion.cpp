#include "game/Motion.h"

void move_along(Vec2f& position, ExactPoint& exact, float heading, float distance) {
    if (static_cast<float>(exact.x) != position.x || static_cast<float>(exact.y) != position.y)
        exact = {position.x, position.y};
    const Vec2f step = offset_by_angle({0, 0}, heading, distance);
    exact.x += step.x;
    exact.y += step.y;
    position = {static_cast<float>(exact.x), static_cast<float>(exact.y)};
}
