// The frame cap of the main loop: the game's logic runs on every pass,
// drawing only when the cap allows.
#pragma once

#include "core/Timer.h"

#include <cstdint>

// Whether this pass draws. Without a cap (frame_cap 0 or less) every pass
// draws and the frame Timer is never lapped. With one, the Timer's laps add
// up in the accumulator and a pass draws when it holds strictly more than
// 1000 / frame_cap ms, which is then taken off once; so a stall (the
// loading, first of all) is worked off by drawing on consecutive passes.
// Called by the main loop once per pass, after the game's update.
bool frame_due(double& accumulator, int32_t frame_cap, Timer& frame_timer);
