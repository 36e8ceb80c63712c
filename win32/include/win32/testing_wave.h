// Only while win32/testing.h still lives on this include path and includes
// the waveOut controls by this name: they are part of the layer's test panel
// (win32/testing/include), and this forwards there. Goes once testing.h has
// moved beside them.
#pragma once

#include "../../testing/include/win32/testing_wave.h"
