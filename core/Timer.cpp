#include "core/Timer.h"

#include <windows.h>

#include <iostream>

namespace {

int64_t counter_now() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

}  // namespace

Timer::Timer() {
    init();
    start(0);
}

Timer::Timer(double duration) {
    init();
    start(duration);
}

void Timer::init() {
    LARGE_INTEGER frequency;
    if (QueryPerformanceFrequency(&frequency) && frequency.QuadPart > 0) {
        ticks_per_millisecond = static_cast<double>(frequency.QuadPart) / 1000.0;
    } else {
        std::cout << "[!] Timer::Timer: QueryPerformanceFrequency failed\n";
        // Readings then count counter ticks as milliseconds.
        ticks_per_millisecond = 1.0;
    }
}

void Timer::start(double duration) {
    last_lap = 0;
    countdown = duration;
    start_count = counter_now();
}

double Timer::elapsed() {
    return static_cast<double>(counter_now() - start_count) / ticks_per_millisecond;
}

double Timer::lap() {
    double e = elapsed();
    double step = e - last_lap;
    last_lap = e;
    return step;
}

bool Timer::expired() { return countdown > 0 && elapsed() >= countdown; }

double Timer::duration() { return countdown; }

double Timer::elapsed_seconds() { return elapsed() / 1000.0; }

double Timer::elapsed_minutes() { return elapsed_seconds() / 60.0; }

double Timer::elapsed_hours() { return elapsed_minutes() / 60.0; }
