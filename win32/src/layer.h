// What the layer's parts share among themselves (never seen by the engine).
#pragma once

#include <windows.h>

struct SDL_Window;

// The SDL window behind a window handle, or null for a null or dead handle.
// Owned by the window part; the WGL part makes its GL context on it.
SDL_Window* layer_sdl_window(HWND window);

// Starts SDL subsystems once per process, from any thread (counted, guarded).
bool layer_init_subsystem(unsigned int sdl_init_flags);
