// The program's top-level window: its message pump and procedure (main
// thread), the key and mouse event queues the game thread empties once per
// frame, raw mouse motion, the cursor, focus and the fullscreen switch.
#pragma once

#include <windows.h>

#include "core/Math.h"
#include "core/Mutex.h"
#include "core/String.h"

#include <atomic>
#include <cstdint>
#include <vector>

struct KeyEvent {
    enum State : uint32_t { down = 1, up = 2 };

    uint32_t code;   // virtual-key code
    uint32_t state;  // a State
};

struct MouseEvent {
    enum Button : uint32_t {
        left = 0,
        right = 1,
        middle = 2,
        wheel_forward = 3,  // a wheel turned away from the user by more than 119 units
        wheel_other = 4,    // any other wheel turn
    };
    // Wheel events are always down; Input marks an event outside the
    // client area.
    enum State : uint32_t { outside = 0, down = 1, up = 2 };

    uint32_t button;  // a Button
    uint32_t state;   // a State
    int32_t x;        // the cursor position (client pixels) at the last raw input
    int32_t y;
};

// A reading of the time-of-day clock: seconds and microseconds since 1970.
struct TimeOfDay {
    int64_t seconds;
    int64_t microseconds;
};

class Window {
public:
    // Shows "Class registration failed!", "Window creation failed!" or
    // "Input device registration failed!" through error on a failure; the
    // program then ends through its pump (the quit message is posted) and
    // the handle is null.
    Window(const Vec2i& size, const String& title);
    // Neither destroys the platform window nor switches the screen saver on.
    ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // One message: waits for it and dispatches it; false on the quit message.
    bool process_messages();
    // One message if there is one, without waiting; false on the quit,
    // close and destroy messages.
    bool poll_messages();
    // A message box titled "Error" with the text (none for the null String),
    // then the program ends. Callable from either thread.
    void error(const String& text);

    std::vector<KeyEvent> take_key_events();
    std::vector<MouseEvent> take_mouse_events();
    Vec2i take_raw_motion();

    Vec2i get_client_size();
    void set_client_size(const Vec2i& size);
    Vec2i get_position();
    void set_position(const Vec2i& position);
    Vec2i get_size();
    Vec2i get_screen_size();
    Vec2i get_mouse_position();
    Vec2i get_screen_cursor_position();
    void set_cursor_position(const Vec2i& position);
    void show_cursor();
    void hide_cursor();
    void clip_cursor();
    void unclip_cursor();
    void enter_fullscreen();
    void leave_fullscreen();
    // set_style's modes; any other changes nothing.
    static constexpr int framed_mode = 0;
    static constexpr int frameless_mode = 1;
    void set_style(int mode);
    void set_title(const String& title);
    void show();
    void hide();
    bool is_active();
    bool is_fullscreen();
    bool take_changed();
    HWND get_handle();
    MSG get_last_message();
    static int count();
    double lap_microseconds();
    double elapsed_microseconds();

    static LRESULT CALLBACK window_procedure(HWND window, UINT message, WPARAM wparam,
                                             LPARAM lparam);

private:
    void on_activate(bool gained);
    void on_raw_input(WPARAM wparam, LPARAM lparam);
    void queue_key(WPARAM code, uint32_t state);
    void queue_mouse(uint32_t button, uint32_t state);
    // The client area in screen pixels.
    RECT client_rectangle();

    Vec2i size;
    // Flags the game thread reads while the procedure writes them.
    std::atomic<uint8_t> fullscreen{0};
    uint8_t minimised_in_fullscreen = 0;
    std::atomic<uint8_t> changed{0};
    std::atomic<uint8_t> active{1};
    std::atomic<uint8_t> cursor_shown{1};
    std::atomic<uint8_t> cursor_clipped{0};
    Vec2i raw_motion;
    Vec2i cursor_position;
    TimeOfDay lap_reference;
    TimeOfDay start_time;
    Mutex key_queue_lock;
    Mutex mouse_queue_lock;
    Mutex raw_motion_lock;
    Mutex cursor_lock;
    std::vector<KeyEvent> key_events;
    std::vector<MouseEvent> mouse_events;
    RECT saved_window_rectangle{};
    POINT screen_cursor{};
    HINSTANCE instance = NULL;
    WNDCLASSEXA window_class{};
    HWND handle = NULL;
    MSG last_message{};
    DEVMODEA display_mode{};
    RAWINPUTDEVICE raw_device{};
};

// The program's one window; set by main before the game thread starts.
extern Window* main_window;
