// Platform input made into messages, raw mouse input and the cursor.
#include "user_internal.h"

#include "seams.h"

#include <cmath>
#include <cstring>

using namespace window_layer;

namespace {

// The lParam of a key message: repeat count, then flags.
constexpr DWORD key_repeat_count_one = 1;
constexpr DWORD key_alt_held = 1u << 29;
constexpr DWORD key_was_down = 1u << 30;
constexpr DWORD key_released = 1u << 31;

// The device handle of raw input: the layer knows one mouse.
const HANDLE the_mouse = reinterpret_cast<HANDLE>(1);

// The virtual-key code of a key as the keyboard layout produces it; 0 for a
// key the platform would report under a code this layer does not know.
UINT virtual_key(SDL_Keycode key) {
    if (key >= SDLK_a && key <= SDLK_z) return 'A' + (key - SDLK_a);
    if (key >= SDLK_0 && key <= SDLK_9) return '0' + (key - SDLK_0);
    if (key >= SDLK_F1 && key <= SDLK_F12) return VK_F1 + (key - SDLK_F1);
    if (key >= SDLK_KP_1 && key <= SDLK_KP_9) return VK_NUMPAD0 + 1 + (key - SDLK_KP_1);
    switch (key) {
        case SDLK_KP_0:
            return VK_NUMPAD0;
        case SDLK_BACKSPACE:
            return VK_BACK;
        case SDLK_TAB:
            return VK_TAB;
        case SDLK_RETURN:
        case SDLK_KP_ENTER:
            return VK_RETURN;
        case SDLK_LSHIFT:
        case SDLK_RSHIFT:
            return VK_SHIFT;
        case SDLK_LCTRL:
        case SDLK_RCTRL:
            return VK_CONTROL;
        case SDLK_LALT:
        case SDLK_RALT:
            return VK_MENU;
        case SDLK_PAUSE:
            return VK_PAUSE;
        case SDLK_CAPSLOCK:
            return VK_CAPITAL;
        case SDLK_ESCAPE:
            return VK_ESCAPE;
        case SDLK_SPACE:
            return VK_SPACE;
        case SDLK_PAGEUP:
            return VK_PRIOR;
        case SDLK_PAGEDOWN:
            return VK_NEXT;
        case SDLK_END:
            return VK_END;
        case SDLK_HOME:
            return VK_HOME;
        case SDLK_LEFT:
            return VK_LEFT;
        case SDLK_UP:
            return VK_UP;
        case SDLK_RIGHT:
            return VK_RIGHT;
        case SDLK_DOWN:
            return VK_DOWN;
        case SDLK_INSERT:
            return VK_INSERT;
        case SDLK_DELETE:
            return VK_DELETE;
        case SDLK_KP_MULTIPLY:
            return VK_MULTIPLY;
        case SDLK_KP_PLUS:
            return VK_ADD;
        case SDLK_KP_MINUS:
            return VK_SUBTRACT;
        case SDLK_KP_PERIOD:
            return VK_DECIMAL;
        case SDLK_KP_DIVIDE:
            return VK_DIVIDE;
        case SDLK_SEMICOLON:
            return VK_OEM_1;
        case SDLK_EQUALS:
            return VK_OEM_PLUS;
        case SDLK_COMMA:
            return VK_OEM_COMMA;
        case SDLK_MINUS:
            return VK_OEM_MINUS;
        case SDLK_PERIOD:
            return VK_OEM_PERIOD;
        case SDLK_SLASH:
            return VK_OEM_2;
        case SDLK_BACKQUOTE:
            return VK_OEM_3;
        case SDLK_LEFTBRACKET:
            return VK_OEM_4;
        case SDLK_BACKSLASH:
            return VK_OEM_5;
        case SDLK_RIGHTBRACKET:
            return VK_OEM_6;
        case SDLK_QUOTE:
            return VK_OEM_7;
        default:
            return 0;
    }
}

WPARAM modifier_flags() {
    const SDL_Keymod mod = SDL_GetModState();
    return ((mod & KMOD_SHIFT) ? MK_SHIFT : 0) | ((mod & KMOD_CTRL) ? MK_CONTROL : 0);
}

// With the lock held: a message from the platform for the window thread.
void queue_input(HWND window, UINT message, WPARAM wparam, LPARAM lparam, Uint32 time) {
    UserState& state = user_state();
    state.window_queue->input.push_back(MSG{window, message, wparam, lparam, time, state.cursor});
}

void translate_key(const SDL_KeyboardEvent& key) {
    WindowRecord* record = find_sdl_window(key.windowID);
    const UINT code = virtual_key(key.keysym.sym);
    if (record == nullptr || code == 0) return;
    const bool down = key.type == SDL_KEYDOWN;
    const bool system = (key.keysym.mod & KMOD_ALT) != 0 || code == VK_MENU || code == VK_F10;
    const UINT message =
        down ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);
    DWORD flags = key_repeat_count_one;
    if (key.keysym.mod & KMOD_ALT) flags |= key_alt_held;
    if (key.repeat || !down) flags |= key_was_down;
    if (!down) flags |= key_released;
    queue_input(record->handle, message, code, static_cast<LPARAM>(flags), key.timestamp);
}

void translate_button(const SDL_MouseButtonEvent& button) {
    WindowRecord* record = find_sdl_window(button.windowID);
    if (record == nullptr) return;
    const bool down = button.type == SDL_MOUSEBUTTONDOWN;
    UINT message = 0;
    WPARAM held = 0;
    switch (button.button) {
        case SDL_BUTTON_LEFT:
            message = down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
            held = MK_LBUTTON;
            break;
        case SDL_BUTTON_RIGHT:
            message = down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
            held = MK_RBUTTON;
            break;
        case SDL_BUTTON_MIDDLE:
            message = down ? WM_MBUTTONDOWN : WM_MBUTTONUP;
            held = MK_MBUTTON;
            break;
        default:
            return;
    }
    UserState& state = user_state();
    state.cursor = {saturate(int64_t{record->origin.x} + button.x),
                    saturate(int64_t{record->origin.y} + button.y)};
    queue_input(record->handle, message, modifier_flags() | (down ? held : 0),
                make_lparam(button.x, button.y), button.timestamp);
}

void translate_wheel(const SDL_MouseWheelEvent& wheel) {
    WindowRecord* record = find_sdl_window(wheel.windowID);
    if (record == nullptr) return;
    float notches = wheel.preciseY;
    if (wheel.direction == SDL_MOUSEWHEEL_FLIPPED) notches = -notches;
    const float units = std::round(notches * WHEEL_DELTA);
    if (!(units >= -32768.0f && units <= 32767.0f) || units == 0.0f) return;
    const WORD delta = static_cast<WORD>(static_cast<SHORT>(units));
    UserState& state = user_state();
    queue_input(record->handle, WM_MOUSEWHEEL,
                (static_cast<WPARAM>(delta) << 16) | modifier_flags(),
                make_lparam(state.cursor.x, state.cursor.y), wheel.timestamp);
}

void translate_motion(const SDL_MouseMotionEvent& motion) {
    UserState& state = user_state();
    WindowRecord* record = find_sdl_window(motion.windowID);
    if (record == nullptr) return;
    const POINT at{saturate(int64_t{record->origin.x} + motion.x),
                   saturate(int64_t{record->origin.y} + motion.y)};
    // Raw input comes from the mouse alone. The display server also reports
    // the pointer where it already was: when a window appears under it, and
    // after a move the program made (SetCursorPos has already put it there).
    const bool moved = at.x != state.cursor.x || at.y != state.cursor.y;
    state.cursor = at;
    if (!moved || !state.raw_registered) return;
    WindowRecord* target = state.raw_target != NULL ? find_window(state.raw_target) : record;
    if (target == nullptr) return;
    WPARAM code = RIM_INPUT;
    if (!target->focused) {
        if (!(state.raw_flags & RIDEV_INPUTSINK)) return;
        code = RIM_INPUTSINK;
    }
    const uint64_t serial = ++state.raw_serial;
    RawRecord& slot = state.raw[serial % UserState::raw_kept];
    slot.serial = serial;
    slot.data = RAWINPUT{};
    slot.data.header.dwType = RIM_TYPEMOUSE;
    slot.data.header.dwSize = sizeof(RAWINPUT);
    slot.data.header.hDevice = the_mouse;
    slot.data.header.wParam = code;
    slot.data.data.mouse.usFlags = MOUSE_MOVE_RELATIVE;
    slot.data.data.mouse.lLastX = motion.xrel;
    slot.data.data.mouse.lLastY = motion.yrel;
    queue_input(target->handle, WM_INPUT, code, static_cast<LPARAM>(serial), motion.timestamp);
}

void translate_window_event(const SDL_WindowEvent& event) {
    WindowRecord* record = find_sdl_window(event.windowID);
    if (record == nullptr) return;
    switch (event.event) {
        case SDL_WINDOWEVENT_FOCUS_GAINED:
        case SDL_WINDOWEVENT_FOCUS_LOST:
            record->focused = event.event == SDL_WINDOWEVENT_FOCUS_GAINED;
            queue_input(record->handle, WM_NCACTIVATE, record->focused ? TRUE : FALSE, 0,
                        event.timestamp);
            return;
        case SDL_WINDOWEVENT_CLOSE:
            queue_input(record->handle, WM_CLOSE, 0, 0, event.timestamp);
            return;
        case SDL_WINDOWEVENT_MOVED:
            // Only a move the program did not ask for changes the origin.
            if (!is_recent(record->recent_origins, event.data1, event.data2)) {
                record->origin = {event.data1, event.data2};
                record->applied.origin = record->origin;
                remember(record->recent_origins, record->origin);
            }
            return;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            if (is_recent(record->recent_sizes, event.data1, event.data2))
                return;  // a size the program asked for
            record->width = event.data1;
            record->height = event.data2;
            record->applied.width = event.data1;
            record->applied.height = event.data2;
            remember(record->recent_sizes, {event.data1, event.data2});
            break;
        case SDL_WINDOWEVENT_MINIMIZED:
            record->minimised = true;
            record->applied.minimised = true;
            break;
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_MAXIMIZED:
            record->minimised = false;
            record->applied.minimised = false;
            break;
        default:
            return;
    }
    // Size or state changed by the user or the window manager.
    MSG size{};
    if (take_size_change(*record, &size))
        queue_input(size.hwnd, size.message, size.wParam, size.lParam, event.timestamp);
}

}  // namespace

namespace window_layer {

void translate_event(const SDL_Event& event) {
    UserState& state = user_state();
    if (event.type == state.wake_event) {
        state.window_queue->wake_pending = false;
        return;
    }
    switch (event.type) {
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            translate_key(event.key);
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
            translate_button(event.button);
            break;
        case SDL_MOUSEWHEEL:
            translate_wheel(event.wheel);
            break;
        case SDL_MOUSEMOTION:
            translate_motion(event.motion);
            break;
        case SDL_WINDOWEVENT:
            translate_window_event(event.window);
            break;
        default:
            break;
    }
}

}  // namespace window_layer

BOOL RegisterRawInputDevices(const RAWINPUTDEVICE* devices, UINT count, UINT size) {
    if (devices == nullptr || count == 0 || size != sizeof(RAWINPUTDEVICE)) return FALSE;
    if (layer_fails(LayerFailure::register_raw_input)) return FALSE;
    UserState& state = user_state();
    std::lock_guard<std::mutex> hold(state.lock);
    for (UINT i = 0; i < count; ++i) {
        const RAWINPUTDEVICE& device = devices[i];
        const bool sink = device.dwFlags == RIDEV_INPUTSINK;
        if (device.usUsagePage != HID_USAGE_PAGE_GENERIC ||
            device.usUsage != HID_USAGE_GENERIC_MOUSE || (device.dwFlags != 0 && !sink) ||
            (device.hwndTarget != NULL && find_window(device.hwndTarget) == nullptr) ||
            (sink && device.hwndTarget == NULL))
            return FALSE;
    }
    const RAWINPUTDEVICE& last = devices[count - 1];
    state.raw_registered = true;
    state.raw_flags = last.dwFlags;
    state.raw_target = last.hwndTarget;
    return TRUE;
}

UINT GetRawInputData(HRAWINPUT raw_input, UINT command, LPVOID data, PUINT size, UINT header_size) {
    const UINT failed = static_cast<UINT>(-1);
    if (size == nullptr || header_size != sizeof(RAWINPUTHEADER) ||
        (command != RID_INPUT && command != RID_HEADER))
        return failed;
    const UINT needed = command == RID_INPUT ? sizeof(RAWINPUT) : sizeof(RAWINPUTHEADER);
    const uint64_t serial = reinterpret_cast<uintptr_t>(raw_input);
    UserState& state = user_state();
    std::lock_guard<std::mutex> hold(state.lock);
    const RawRecord& slot = state.raw[serial % UserState::raw_kept];
    if (serial == 0 || slot.serial != serial) return failed;
    if (data == nullptr) {
        *size = needed;
        return 0;
    }
    if (*size < needed) return failed;
    std::memcpy(data, &slot.data, needed);
    return needed;
}

BOOL GetCursorPos(LPPOINT point) {
    if (point == nullptr) return FALSE;
    std::lock_guard<std::mutex> hold(user_state().lock);
    *point = user_state().cursor;
    return TRUE;
}

BOOL SetCursorPos(int x, int y) {
    {
        std::lock_guard<std::mutex> hold(user_state().lock);
        user_state().cursor = {x, y};
    }
    run_on_window_thread([x, y] {
        if (SDL_WasInit(SDL_INIT_VIDEO)) SDL_WarpMouseGlobal(x, y);
        return LRESULT{0};
    });
    return TRUE;
}

int ShowCursor(BOOL show) {
    int count = 0;
    {
        std::lock_guard<std::mutex> hold(user_state().lock);
        count = user_state().cursor_count += show ? 1 : -1;
    }
    run_on_window_thread([] {
        apply_system_state();
        return LRESULT{0};
    });
    return count;
}

BOOL ClipCursor(const RECT* rect) {
    {
        UserState& state = user_state();
        std::lock_guard<std::mutex> hold(state.lock);
        const bool same = rect == nullptr
                              ? !state.clipped
                              : state.clipped && std::memcmp(&state.clip, rect, sizeof(RECT)) == 0;
        // The game confines on every frame: only a change goes to SDL.
        if (same) return TRUE;
        state.clipped = rect != nullptr;
        state.clip = rect != nullptr ? *rect : RECT{};
    }
    run_on_window_thread([] {
        apply_system_state();
        return LRESULT{0};
    });
    return TRUE;
}
