#include "platform/Window.h"

#include <chrono>
#include <cstddef>

Window* main_window = nullptr;

namespace {

// Live windows; the count at construction names the window's class.
int window_count = 0;
// Closing this window ends the program.
HWND first_window_handle = NULL;
// Filled by the window procedure on WM_INPUT (main thread only).
RAWINPUT raw_buffer;

const LONG framed_style = WS_VISIBLE | WS_OVERLAPPEDWINDOW;
const LONG frameless_style = WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;

// A wheel turned by more than this many units away from the user (a notch is
// WHEEL_DELTA, 120) is MouseEvent::wheel_forward.
constexpr int wheel_forward_above = WHEEL_DELTA - 1;

constexpr int64_t microseconds_per_second = 1000 * 1000;

// GetRawInputData's result for a failed read.
constexpr UINT raw_read_failed = static_cast<UINT>(-1);

TimeOfDay time_of_day() {
    const int64_t now = std::chrono::duration_cast<std::chrono::microseconds>(
                            std::chrono::system_clock::now().time_since_epoch())
                            .count();
    return {now / microseconds_per_second, now % microseconds_per_second};
}

double microseconds_since(const TimeOfDay& then) {
    const TimeOfDay now = time_of_day();
    return static_cast<double>(now.seconds - then.seconds) * microseconds_per_second +
           static_cast<double>(now.microseconds - then.microseconds);
}

void switch_screen_saver(bool on) {
    SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, on ? TRUE : FALSE, NULL, SPIF_SENDCHANGE);
}

// Raw motion adds up forever; it wraps around instead of overflowing.
int32_t wrapping_add(int32_t total, LONG step) {
    return static_cast<int32_t>(static_cast<uint32_t>(total) + static_cast<uint32_t>(step));
}

}  // namespace

Window::Window(const Vec2i& requested_size, const String& title) {
    size = requested_size;

    const String class_name =
        String("ruDed::") + title + String("_") + String::from_int(window_count);

    start_time = time_of_day();
    lap_reference = time_of_day();

    instance = GetModuleHandleA(NULL);
    window_class = WNDCLASSEXA{};
    window_class.cbSize = sizeof(WNDCLASSEXA);
    window_class.style = CS_VREDRAW | CS_HREDRAW | CS_OWNDC;
    window_class.lpfnWndProc = window_procedure;
    window_class.hInstance = instance;
    window_class.hCursor = LoadCursorA(NULL, IDC_ARROW);
    window_class.hIcon = LoadIconA(NULL, IDI_APPLICATION);
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW));
    window_class.lpszMenuName = NULL;
    window_class.lpszClassName = class_name.c_str();

    // After a failure the box has been shown; the posted quit message then
    // ends main's pump, which no other message may ever reach.
    auto fail = [this](const char* text) {
        error(text);
        handle = NULL;
        PostQuitMessage(0);
    };

    if (!RegisterClassExA(&window_class)) {
        fail("Class registration failed!");
        return;
    }

    EnumDisplaySettingsA(NULL, ENUM_CURRENT_SETTINGS, &display_mode);

    handle = CreateWindowExA(0, class_name.c_str(), title.c_str(), framed_style, CW_USEDEFAULT,
                             CW_USEDEFAULT, size.x, size.y, NULL, NULL, instance, NULL);
    if (!handle) {
        fail("Window creation failed!");
        return;
    }

    SetWindowLongPtrA(handle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));

    raw_device.usUsagePage = HID_USAGE_PAGE_GENERIC;
    raw_device.usUsage = HID_USAGE_GENERIC_MOUSE;
    raw_device.dwFlags = RIDEV_INPUTSINK;
    raw_device.hwndTarget = handle;
    if (!RegisterRawInputDevices(&raw_device, 1, sizeof(raw_device))) {
        // The quit message error sends reaches a window that is not yet the
        // first one: the procedure destroys it.
        fail("Input device registration failed!");
        return;
    }

    if (window_count <= 0) {
        first_window_handle = handle;
        switch_screen_saver(false);
    }

    ShowWindow(handle, SW_SHOWNORMAL);
    set_client_size(size);

    window_count += 1;
}

Window::~Window() {
    unclip_cursor();
    window_count -= 1;
    // No message may reach this object any more.
    if (handle) SetWindowLongPtrA(handle, GWLP_USERDATA, 0);
    handle = NULL;
    // The queues go with the members, then the Mutexes in reverse order of
    // declaration: cursor position, raw motion, mouse queue, key queue.
}

bool Window::process_messages() {
    if (GetMessageA(&last_message, NULL, 0, 0) == 0) return false;
    TranslateMessage(&last_message);
    DispatchMessageA(&last_message);
    return true;
}

bool Window::poll_messages() {
    if (!PeekMessageA(&last_message, NULL, 0, 0, PM_REMOVE)) return true;
    const UINT message = last_message.message;
    if (message == WM_QUIT || message == WM_CLOSE || message == WM_DESTROY) {
        unclip_cursor();
        return false;
    }
    TranslateMessage(&last_message);
    DispatchMessageA(&last_message);
    return true;
}

void Window::error(const String& text) {
    switch_screen_saver(true);
    if (handle) ShowWindow(handle, SW_FORCEMINIMIZE);
    if (!text.is_null()) MessageBoxA(NULL, text.c_str(), "Error", MB_ICONEXCLAMATION);
    SendMessageA(handle, WM_QUIT, 0, 0);
}

LRESULT CALLBACK Window::window_procedure(HWND window_handle, UINT message, WPARAM wparam,
                                          LPARAM lparam) {
    Window* window = reinterpret_cast<Window*>(GetWindowLongPtrA(window_handle, GWLP_USERDATA));
    if (window == nullptr) return DefWindowProcA(window_handle, message, wparam, lparam);

    switch (message) {
        case WM_DESTROY:
        case WM_CLOSE:
        case WM_QUIT:
            if (window_handle == first_window_handle) {
                switch_screen_saver(true);
                PostQuitMessage(0);
            } else {
                DestroyWindow(window_handle);
            }
            return 0;
        case WM_SIZE:
            window->changed = 1;
            return 0;
        case WM_NCACTIVATE:
            window->on_activate(wparam != 0);
            return 0;
        case WM_INPUT:
            window->on_raw_input(wparam, lparam);
            return 0;
        case WM_KEYDOWN:
            window->queue_key(wparam, KeyEvent::down);
            return 0;
        case WM_KEYUP:
            window->queue_key(wparam, KeyEvent::up);
            return 0;
        case WM_LBUTTONDOWN:
            window->queue_mouse(MouseEvent::left, MouseEvent::down);
            return 0;
        case WM_LBUTTONUP:
            window->queue_mouse(MouseEvent::left, MouseEvent::up);
            return 0;
        case WM_RBUTTONDOWN:
            window->queue_mouse(MouseEvent::right, MouseEvent::down);
            return 0;
        case WM_RBUTTONUP:
            window->queue_mouse(MouseEvent::right, MouseEvent::up);
            return 0;
        case WM_MBUTTONDOWN:
            window->queue_mouse(MouseEvent::middle, MouseEvent::down);
            return 0;
        case WM_MBUTTONUP:
            window->queue_mouse(MouseEvent::middle, MouseEvent::up);
            return 0;
        case WM_MOUSEWHEEL:
            window->queue_mouse(GET_WHEEL_DELTA_WPARAM(wparam) > wheel_forward_above
                                    ? MouseEvent::wheel_forward
                                    : MouseEvent::wheel_other,
                                MouseEvent::down);
            return 0;
        default:
            return DefWindowProcA(window_handle, message, wparam, lparam);
    }
}

void Window::on_activate(bool gained) {
    if (gained) {
        active = 1;
        if (!cursor_shown) hide_cursor();
        if (cursor_clipped) clip_cursor();
        if (fullscreen && minimised_in_fullscreen) {
            enter_fullscreen();
            minimised_in_fullscreen = 0;
        }
        return;
    }
    active = 0;
    if (!cursor_shown || cursor_clipped) {
        ClipCursor(NULL);
        // Only a hidden cursor was taken off the display counter.
        if (!cursor_shown) ShowCursor(TRUE);
    }
    if (fullscreen) {
        ShowWindow(handle, SW_FORCEMINIMIZE);
        minimised_in_fullscreen = 1;
    }
}

void Window::on_raw_input(WPARAM wparam, LPARAM lparam) {
    if (wparam != RIM_INPUT) return;
    UINT buffer_size = sizeof(raw_buffer);
    const UINT read = GetRawInputData(reinterpret_cast<HRAWINPUT>(lparam), RID_INPUT, &raw_buffer,
                                      &buffer_size, sizeof(RAWINPUTHEADER));
    // A failed or short read holds no motion.
    if (read == raw_read_failed || read < offsetof(RAWINPUT, data) + sizeof(RAWMOUSE)) return;
    if (raw_buffer.header.dwType != RIM_TYPEMOUSE) return;
    {
        MutexLock hold(raw_motion_lock);
        raw_motion.x = wrapping_add(raw_motion.x, raw_buffer.data.mouse.lLastX);
        raw_motion.y = wrapping_add(raw_motion.y, raw_buffer.data.mouse.lLastY);
    }
    // The raw-motion lock is released before the cursor's is taken.
    MutexLock hold(cursor_lock);
    cursor_position = get_mouse_position();
}

void Window::queue_key(WPARAM code, uint32_t state) {
    MutexLock hold(key_queue_lock);
    key_events.push_back({static_cast<uint32_t>(code), state});
}

void Window::queue_mouse(uint32_t button, uint32_t state) {
    // Lock order: the mouse queue, then the cursor position.
    MutexLock hold_queue(mouse_queue_lock);
    MutexLock hold_cursor(cursor_lock);
    mouse_events.push_back({button, state, cursor_position.x, cursor_position.y});
}

std::vector<KeyEvent> Window::take_key_events() {
    MutexLock hold(key_queue_lock);
    std::vector<KeyEvent> taken(key_events);
    key_events.clear();
    return taken;
}

std::vector<MouseEvent> Window::take_mouse_events() {
    MutexLock hold(mouse_queue_lock);
    std::vector<MouseEvent> taken(mouse_events);
    mouse_events.clear();
    return taken;
}

Vec2i Window::take_raw_motion() {
    MutexLock hold(raw_motion_lock);
    const Vec2i taken = raw_motion;
    raw_motion = {0, 0};
    return taken;
}

Vec2i Window::get_client_size() {
    RECT client{};
    GetClientRect(handle, &client);
    return {client.right - client.left, client.bottom - client.top};
}

void Window::set_client_size(const Vec2i& new_size) {
    RECT outer{};
    RECT client{};
    GetWindowRect(handle, &outer);
    GetClientRect(handle, &client);
    // In 64 bits: a size read from a file may be anything up to the int range.
    const int64_t width =
        (int64_t{outer.right} - outer.left) - ((int64_t{client.right} - client.left) - new_size.x);
    const int64_t height =
        (int64_t{outer.bottom} - outer.top) - ((int64_t{client.bottom} - client.top) - new_size.y);
    SetWindowPos(handle, NULL, 0, 0, saturate_to_int(width), saturate_to_int(height),
                 SWP_NOMOVE | SWP_NOZORDER);
    UpdateWindow(handle);
}

Vec2i Window::get_position() {
    RECT outer{};
    GetWindowRect(handle, &outer);
    return {outer.left, outer.top};
}

void Window::set_position(const Vec2i& position) {
    SetWindowPos(handle, NULL, position.x, position.y, 0, 0, SWP_NOSIZE);
    UpdateWindow(handle);
}

Vec2i Window::get_size() { return size; }

Vec2i Window::get_screen_size() {
    return {static_cast<int>(display_mode.dmPelsWidth),
            static_cast<int>(display_mode.dmPelsHeight)};
}

Vec2i Window::get_mouse_position() {
    POINT cursor{};
    GetCursorPos(&cursor);
    RECT client{};
    GetClientRect(handle, &client);
    POINT corner{client.left, client.top};
    ClientToScreen(handle, &corner);
    return {saturate_to_int(int64_t{cursor.x} - corner.x),
            saturate_to_int(int64_t{cursor.y} - corner.y)};
}

Vec2i Window::get_screen_cursor_position() {
    GetCursorPos(&screen_cursor);
    return {screen_cursor.x, screen_cursor.y};
}

void Window::set_cursor_position(const Vec2i& position) {
    if (active) SetCursorPos(position.x, position.y);
}

void Window::show_cursor() {
    ClipCursor(NULL);
    ShowCursor(TRUE);
    cursor_shown = 1;
}

void Window::hide_cursor() {
    const RECT area = client_rectangle();
    ClipCursor(&area);
    ShowCursor(FALSE);
    cursor_shown = 0;
}

void Window::clip_cursor() {
    const RECT area = client_rectangle();
    ClipCursor(&area);
    cursor_clipped = 1;
}

void Window::unclip_cursor() {
    ClipCursor(NULL);
    cursor_clipped = 0;
}

RECT Window::client_rectangle() {
    RECT client{};
    GetClientRect(handle, &client);
    POINT top_left{client.left, client.top};
    POINT bottom_right{client.right, client.bottom};
    ClientToScreen(handle, &top_left);
    ClientToScreen(handle, &bottom_right);
    RECT area{};
    SetRect(&area, top_left.x, top_left.y, bottom_right.x, bottom_right.y);
    return area;
}

void Window::enter_fullscreen() {
    GetWindowRect(handle, &saved_window_rectangle);
    SetWindowPos(handle, NULL, 0, 0, static_cast<int>(display_mode.dmPelsWidth),
                 static_cast<int>(display_mode.dmPelsHeight), SWP_SHOWWINDOW);
    SetWindowLongA(handle, GWL_STYLE, frameless_style);
    ShowWindow(handle, SW_SHOWNORMAL);
    UpdateWindow(handle);
    fullscreen = 1;
    changed = 1;
}

void Window::leave_fullscreen() {
    fullscreen = 0;
    const RECT& saved = saved_window_rectangle;
    SetWindowPos(handle, NULL, saved.left, saved.top,
                 saturate_to_int(int64_t{saved.right} - saved.left),
                 saturate_to_int(int64_t{saved.bottom} - saved.top), SWP_SHOWWINDOW);
    SetWindowLongA(handle, GWL_STYLE, framed_style);
    ShowWindow(handle, SW_SHOWNORMAL);
    UpdateWindow(handle);
    changed = 1;
}

void Window::set_style(int mode) {
    LONG style = 0;
    if (mode == framed_mode)
        style = framed_style;
    else if (mode == frameless_mode)
        style = frameless_style;
    else
        return;
    SetWindowLongA(handle, GWL_STYLE, style);
    ShowWindow(handle, SW_SHOWNORMAL);
    UpdateWindow(handle);
    changed = 1;
}

void Window::set_title(const String& title) { SetWindowTextA(handle, title.c_str()); }

void Window::show() {
    ShowWindow(handle, SW_SHOWNORMAL);
    UpdateWindow(handle);
}

void Window::hide() {
    ShowWindow(handle, SW_HIDE);
    UpdateWindow(handle);
}

bool Window::is_active() { return active != 0; }

bool Window::is_fullscreen() { return fullscreen != 0; }

bool Window::take_changed() { return changed.exchange(0) != 0; }

HWND Window::get_handle() { return handle; }

MSG Window::get_last_message() { return last_message; }

int Window::count() { return window_count; }

double Window::lap_microseconds() {
    const double elapsed = microseconds_since(lap_reference);
    lap_reference = time_of_day();
    return elapsed;
}

double Window::elapsed_microseconds() { return microseconds_since(start_time); }
