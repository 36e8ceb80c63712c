// The layer's seams: the few points where the test panel (win32/testing, a
// library only tests link) replaces a source or watches a call, and the
// layer state it reads. Unset, every call does what the platform does; the
// game binary never sets them. Each seam is one atomic pointer, set by the
// panel when a test first uses it.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

// Calls a test can make fail as they would on the platform.
enum class LayerFailure : std::uint8_t {
    performance_frequency,  // QueryPerformanceFrequency
    pixel_format,           // ChoosePixelFormat and SetPixelFormat
    register_class,         // RegisterClassExA
    create_window,          // CreateWindowExA
    register_raw_input,     // RegisterRawInputDevices
};

struct LayerSeams {
    // The performance counter's source, in ticks of layer_ticks_per_second;
    // null: real time (layer_real_ticks).
    std::atomic<std::int64_t (*)()> counter{nullptr};
    // True when the call is to fail now; null: nothing fails.
    std::atomic<bool (*)(LayerFailure)> fails{nullptr};
    // Sees every message box before it is shown; true: the box counts as
    // answered with OK and is not shown. Null: every box is shown.
    std::atomic<bool (*)(const char* text, const char* caption, UINT type)> message_box{nullptr};
    // Told of every priority SetThreadPriority gives a thread (its id).
    std::atomic<void (*)(DWORD thread_id, int priority)> thread_priority{nullptr};
};

// Constant-initialised, so a seam set during static initialisation holds.
extern LayerSeams layer_seams;

inline bool layer_fails(LayerFailure failure) {
    bool (*fails)(LayerFailure) = layer_seams.fails.load(std::memory_order_acquire);
    return fails != nullptr && fails(failure);
}

// The performance counter's unit and the real time in it (monotonic).
constexpr std::int64_t layer_ticks_per_second = 10000000;
std::int64_t layer_real_ticks();

// The id of the thread a handle (or the pseudo-handle) names; 0 when it
// names no thread.
DWORD layer_thread_id(HANDLE thread);
