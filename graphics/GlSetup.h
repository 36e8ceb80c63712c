// How a window gets ready for the engine's drawing, written once for the
// game thread and the test windows: the pixel format it asks for and the
// fixed OpenGL state the renderers rely on.
#pragma once

#include <windows.h>

// Chooses the engine's pixel format (drawn to a window, OpenGL, double
// buffered, generically accelerated; no colour, depth, stencil or
// accumulation bits asked for) and sets it on the device context. False
// when the driver offers no such format or refuses to set it.
bool set_pixel_format(HDC device_context);

// The fixed state, set once on a new current context before anything is
// drawn: no depth test, culling, dithering, lighting or alpha test, and
// blending of the source by its alpha over the destination.
void set_fixed_gl_state();
