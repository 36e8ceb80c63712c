// Under the thread sanitizer, Mesa's software rasteriser draws on this
// thread alone: its worker threads synchronise inside a library the
// sanitizer cannot see into, which it reports as races of the caller. The
// pictures are the same either way.
#pragma once

#include <cstdlib>

#ifdef __SANITIZE_THREAD__
inline const bool mesa_single_threaded = setenv("LP_NUM_THREADS", "0", 0) == 0;
#endif
