// The failure switches: one flag per kind of call, read by the layer through
// its failure seam from any thread.
#include "failures.h"

#include "win32/testing_gdi.h"
#include "win32/testing_user.h"

#include <array>
#include <atomic>
#include <cstddef>

namespace {

constexpr std::size_t failure_kinds =
    static_cast<std::size_t>(LayerFailure::register_raw_input) + 1;

std::array<std::atomic<bool>, failure_kinds> failing{};

bool panel_fails(LayerFailure failure) {
    return failing[static_cast<std::size_t>(failure)].load(std::memory_order_relaxed);
}

}  // namespace

void panel_set_failure(LayerFailure failure, bool fail) {
    failing[static_cast<std::size_t>(failure)].store(fail, std::memory_order_relaxed);
    layer_seams.fails.store(panel_fails, std::memory_order_release);
}

void testing_fail_pixel_format(bool fail) { panel_set_failure(LayerFailure::pixel_format, fail); }

void testing_fail_register_class(bool fail) {
    panel_set_failure(LayerFailure::register_class, fail);
}

void testing_fail_create_window(bool fail) { panel_set_failure(LayerFailure::create_window, fail); }

void testing_fail_register_raw_input(bool fail) {
    panel_set_failure(LayerFailure::register_raw_input, fail);
}
