#pragma once

#include <windows.h>

// While set, ChoosePixelFormat and SetPixelFormat fail, as on a machine whose
// driver offers no matching format.
void testing_fail_pixel_format(bool fail);
