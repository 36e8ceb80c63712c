// The Win32 names the engine calls, declared by this project for its own
// platform layer. Only what the engine uses is here; values are the
// platform's documented ones so that code reads as it would there.
#pragma once

#include "win32/types.h"
#include "win32/kernel.h"
#include "win32/user.h"
#include "win32/gdi.h"
#include "win32/wave.h"
