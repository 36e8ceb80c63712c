// The test panel's view of the window half: recorded message boxes, and the
// cursor, screen saver and window state as the program last set them.
#include "win32/testing_user.h"

#include "seams.h"
#include "user_internal.h"

#include <mutex>

using namespace window_layer;

namespace {

struct Boxes {
    std::mutex lock;
    bool capture = false;
    std::vector<TestingMessageBox> shown;
};

// Never destroyed: a box may come up while the process exits.
Boxes& boxes() {
    static Boxes* recorded = new Boxes;
    return *recorded;
}

bool observe_box(const char* text, const char* caption, UINT type) {
    Boxes& recorded = boxes();
    std::lock_guard<std::mutex> hold(recorded.lock);
    recorded.shown.push_back({text, caption, type});
    return recorded.capture;
}

// Every box is recorded from the start, captured or not.
const bool watching = [] {
    layer_seams.message_box.store(observe_box, std::memory_order_release);
    return true;
}();

}  // namespace

void testing_capture_message_boxes(bool capture) {
    layer_seams.message_box.store(observe_box, std::memory_order_release);
    Boxes& recorded = boxes();
    std::lock_guard<std::mutex> hold(recorded.lock);
    recorded.capture = capture;
}

std::vector<TestingMessageBox> testing_message_boxes() {
    Boxes& recorded = boxes();
    std::lock_guard<std::mutex> hold(recorded.lock);
    return recorded.shown;
}

void testing_forget_message_boxes() {
    Boxes& recorded = boxes();
    std::lock_guard<std::mutex> hold(recorded.lock);
    recorded.shown.clear();
}

bool testing_cursor_clip(RECT* rect) {
    std::lock_guard<std::mutex> hold(user_state().lock);
    if (rect != nullptr) *rect = user_state().clip;
    return user_state().clipped;
}

int testing_cursor_display_count() {
    std::lock_guard<std::mutex> hold(user_state().lock);
    return user_state().cursor_count;
}

bool testing_screen_saver_active() {
    std::lock_guard<std::mutex> hold(user_state().lock);
    return user_state().screen_saver;
}

bool testing_window_minimised(HWND window) {
    std::lock_guard<std::mutex> hold(user_state().lock);
    WindowRecord* record = find_window(window);
    return record != nullptr && record->minimised;
}

void testing_reset_user_layer() {
    testing_fail_register_class(false);
    testing_fail_create_window(false);
    testing_fail_register_raw_input(false);
    testing_capture_message_boxes(true);
    testing_forget_message_boxes();
    ClipCursor(NULL);
    while (testing_cursor_display_count() < 0) ShowCursor(TRUE);
    while (testing_cursor_display_count() > 0) ShowCursor(FALSE);
    SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, TRUE, NULL, SPIF_SENDCHANGE);
}
