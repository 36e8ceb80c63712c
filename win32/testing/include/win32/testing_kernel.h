// Test controls of the kernel calls. Every function here is thread-safe.
#pragma once

#include <windows.h>

// The manual clock behind QueryPerformanceCounter. Switched on, the counter
// stands still at the value it had at that moment and moves only by
// testing_advance_clock_ms, so every Timer can be stepped exactly. Switched
// off, it runs with real time again from where it stood, never backwards.
// Sleep and wait time-outs always use real time.
void testing_set_manual_clock(bool on);
// Moves the manual clock forward by the given milliseconds, rounded to the
// nearest counter tick (0.1 microsecond). Negative or NaN steps are ignored;
// does nothing while the manual clock is off.
void testing_advance_clock_ms(double milliseconds);

// While set, QueryPerformanceFrequency fails: it returns FALSE and writes 0.
void testing_fail_performance_frequency(bool fail);

// The priority last given to the thread with SetThreadPriority
// (THREAD_PRIORITY_NORMAL when none was given), or
// THREAD_PRIORITY_ERROR_RETURN when the handle is no thread.
int testing_thread_priority(HANDLE thread);
