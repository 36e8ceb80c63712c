// Test-only control panel of the platform layer: the library win32_testing,
// which only tests link; the engine never includes it.
#pragma once

#include "win32/testing_kernel.h"
#include "win32/testing_user.h"
#include "win32/testing_gdi.h"
#include "win32/testing_wave.h"
