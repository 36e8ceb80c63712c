// Test controls of the window calls. Every function here is thread-safe.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Injected platform events. They enter SDL's own event queue, so they reach
// the window procedure through the same translation as real input, the next
// time the window thread pumps (and they wake a waiting GetMessageA). Each
// returns false when the window is dead or the event cannot be queued.

// A key by the platform keyboard's name for it: "A", "7", "Escape", "Space",
// "Return", "Left", "Up", "Left Shift", "Left Ctrl", "Left Alt", "F1", ...
// (false for an unknown name). alt: the Alt key is held.
bool testing_inject_key(HWND window, const char* key_name, bool down, bool repeat = false,
                        bool alt = false);

enum class TestingButton { left, middle, right };
// Where the last injected motion left the pointer (else where it really is).
bool testing_inject_button(HWND window, TestingButton button, bool down);
// Wheel notches away from the user (negative: towards); 0.5 is half a
// notch of a fine-grained wheel.
bool testing_inject_wheel(HWND window, float notches);
// The pointer is now at (x, y) client pixels, having moved by (dx, dy).
bool testing_inject_motion(HWND window, int x, int y, int dx, int dy);
bool testing_inject_focus(HWND window, bool gained);
// The user resized the client area to width x height.
bool testing_inject_resize(HWND window, int width, int height);
// The close button.
bool testing_inject_close(HWND window);

// Message boxes. Every box is recorded, shown or not. While capture is on a
// box is only recorded (and its line written to standard error) and
// MessageBoxA returns IDOK at once: a real box waits for its answer.
struct TestingMessageBox {
    std::string text;
    std::string caption;
    UINT type;
};
void testing_capture_message_boxes(bool capture);
std::vector<TestingMessageBox> testing_message_boxes();
// Forgets the boxes recorded so far (a fixture's fresh start).
void testing_forget_message_boxes();

// The cursor and the screen saver as the program last set them.
// True while ClipCursor confines the cursor; *rect (when not null) receives
// the rectangle in screen pixels.
bool testing_cursor_clip(RECT* rect);
// ShowCursor's display counter (0 at start).
int testing_cursor_display_count();
// The screen saver's state (active at start).
bool testing_screen_saver_active();
// Whether the window is minimised (false for a dead handle).
bool testing_window_minimised(HWND window);

// While set, the call fails as it would on the platform.
void testing_fail_register_class(bool fail);
void testing_fail_create_window(bool fail);
void testing_fail_register_raw_input(bool fail);

// A fixture's fresh start, whatever the tests before it in this process left
// (a direct run, --gtest_repeat): no failure injected, boxes captured and
// none recorded, the cursor free and shown, the screen saver active.
void testing_reset_user_layer();
