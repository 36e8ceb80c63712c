// Millisecond stopwatch on the performance counter, with an optional
// countdown. Starts counting at construction.
#pragma once

#include <cstdint>

class Timer {
public:
    Timer();
    explicit Timer(double duration);

    // Restarts the clock and the lap base; duration 0 means no countdown.
    void start(double duration);
    // Milliseconds since the last start.
    double elapsed();
    // Milliseconds since the previous lap (or the start, for the first).
    double lap();
    // True from the moment the elapsed time reaches a positive duration
    // until the next start.
    bool expired();
    double duration();
    double elapsed_seconds();
    double elapsed_minutes();
    double elapsed_hours();

private:
    void init();

    int64_t start_count = 0;
    double ticks_per_millisecond = 1.0;
    double countdown = 0.0;
    double last_lap = 0.0;
};
