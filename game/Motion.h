// Motion in many small steps. The main loop spins tens of thousands of
// times a second, so one update moves a body by a hundredth of a pixel or
// less: added to a float position away from 0, such a step is rounded away
// or rounded up, and where a body ends would depend on the machine's speed.
// Every moving body therefore keeps, beside its float position, the same
// point in double precision, where its steps add up; the float position is
// that point rounded.
#pragma once

#include "core/Math.h"

struct ExactPoint {
    double x = 0;
    double y = 0;
};

// Moves position along heading by distance, with the step offset_by_angle
// takes, summed in exact. A position set from outside since the last move
// (it is no longer exact rounded) is where the motion goes on from.
void move_along(Vec2f& position, ExactPoint& exact, float heading, float distance);
