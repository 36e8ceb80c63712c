#include "game/FrameCap.h"

bool frame_due(double& accumulator, int32_t frame_cap, Timer& frame_timer) {
    if (frame_cap <= 0) return true;
    const double interval = 1000.0 / frame_cap;
    accumulator += frame_timer.lap();
    // Equal is not enough, and neither is not-a-number.
    if (!(accumulator > interval)) return false;
    accumulator -= interval;
    return true;
}
