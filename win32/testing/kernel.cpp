// The test panel's kernel controls: the manual clock behind
// QueryPerformanceCounter, failure of QueryPerformanceFrequency, and the
// priorities SetThreadPriority gave.
#include "win32/testing_kernel.h"

#include "failures.h"
#include "seams.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <map>
#include <mutex>

namespace {

struct Clock {
    std::mutex lock;
    bool manual = false;
    int64_t manual_ticks = 0;
    // Added to the real ticks, so that the counter resumes where the manual
    // clock stood.
    int64_t offset = 0;
};

// Never destroyed: threads of the engine may read the counter while the
// process exits.
Clock& clock_state() {
    static Clock* clock = new Clock;
    return *clock;
}

// The counter now, saturated; the caller holds the clock's lock.
int64_t counter_locked(const Clock& clock) {
    if (clock.manual) return clock.manual_ticks;
    const int64_t real = layer_real_ticks();
    if (clock.offset > std::numeric_limits<int64_t>::max() - real)
        return std::numeric_limits<int64_t>::max();
    return real + clock.offset;
}

int64_t panel_counter() {
    Clock& clock = clock_state();
    std::lock_guard<std::mutex> guard(clock.lock);
    return counter_locked(clock);
}

struct Priorities {
    std::mutex lock;
    std::map<DWORD, int> given;  // by thread id
};

Priorities& priorities() {
    static Priorities* recorded = new Priorities;
    return *recorded;
}

void record_priority(DWORD thread_id, int priority) {
    Priorities& recorded = priorities();
    std::lock_guard<std::mutex> guard(recorded.lock);
    recorded.given[thread_id] = priority;
}

// Priorities are watched from the start, so a thread the engine started
// before the test looked is known too.
const bool watching = [] {
    layer_seams.thread_priority.store(record_priority, std::memory_order_release);
    return true;
}();

}  // namespace

void testing_set_manual_clock(bool on) {
    Clock& clock = clock_state();
    std::lock_guard<std::mutex> guard(clock.lock);
    layer_seams.counter.store(panel_counter, std::memory_order_release);
    if (on == clock.manual) return;
    if (on) {
        clock.manual_ticks = counter_locked(clock);
    } else {
        // Resume from the manual reading, or from real time if that is ahead.
        const int64_t offset = clock.manual_ticks - layer_real_ticks();
        if (offset > clock.offset) clock.offset = offset;
    }
    clock.manual = on;
}

void testing_advance_clock_ms(double milliseconds) {
    if (!(milliseconds > 0)) return;
    Clock& clock = clock_state();
    std::lock_guard<std::mutex> guard(clock.lock);
    if (!clock.manual) return;
    const double ticks = std::round(milliseconds * (layer_ticks_per_second / 1000));
    const double room =
        static_cast<double>(std::numeric_limits<int64_t>::max() - clock.manual_ticks);
    clock.manual_ticks = ticks >= room ? std::numeric_limits<int64_t>::max()
                                       : clock.manual_ticks + static_cast<int64_t>(ticks);
}

void testing_fail_performance_frequency(bool fail) {
    panel_set_failure(LayerFailure::performance_frequency, fail);
}

int testing_thread_priority(HANDLE thread) {
    const DWORD id = layer_thread_id(thread);
    if (id == 0) return THREAD_PRIORITY_ERROR_RETURN;
    Priorities& recorded = priorities();
    std::lock_guard<std::mutex> guard(recorded.lock);
    auto found = recorded.given.find(id);
    return found == recorded.given.end() ? THREAD_PRIORITY_NORMAL : found->second;
}
