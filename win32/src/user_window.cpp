// Window classes, windows and their geometry, kept by the layer and given to
// SDL on the window thread.
#include "user_internal.h"

#include "layer.h"
#include "seams.h"

#include <algorithm>
#include <climits>
#include <strings.h>

using namespace window_layer;

namespace {

// SDL (and X) take at most this many pixels per side.
constexpr int largest_side = 16384;

// The frame the platform draws: a sizing border, a thin border, a caption.
constexpr int thick_frame_side = 8;
constexpr int thin_border_side = 1;
constexpr int caption_height = 23;

// Window classes are atoms from here on, in order of registration.
constexpr ATOM first_class_atom = 0xC000;

// How many of the values last given to SDL are remembered: more than the
// display server can still be reporting back at any moment.
constexpr std::size_t values_remembered = 8;

struct Frame {
    int left;
    int top;
    int right;
    int bottom;
};

// The frame the platform draws around the client area of a style.
Frame frame_of(DWORD style) {
    const int side =
        (style & WS_THICKFRAME) ? thick_frame_side : ((style & WS_BORDER) ? thin_border_side : 0);
    const int caption = ((style & WS_CAPTION) == WS_CAPTION) ? caption_height : 0;
    return {side, side + caption, side, side};
}

bool has_frame(DWORD style) { return (style & (WS_CAPTION | WS_THICKFRAME)) != 0; }

RECT window_rect(const WindowRecord& record) {
    const Frame frame = frame_of(record.style);
    return {saturate(int64_t{record.origin.x} - frame.left),
            saturate(int64_t{record.origin.y} - frame.top),
            saturate(int64_t{record.origin.x} + record.width + frame.right),
            saturate(int64_t{record.origin.y} + record.height + frame.bottom)};
}

// Sets the client area from a window rectangle under the record's style.
void place(WindowRecord& record, int64_t left, int64_t top, int64_t width, int64_t height) {
    const Frame frame = frame_of(record.style);
    record.origin = {saturate(left + frame.left), saturate(top + frame.top)};
    record.width = saturate(std::max<int64_t>(0, width - frame.left - frame.right));
    record.height = saturate(std::max<int64_t>(0, height - frame.top - frame.bottom));
}

LONG style_value(const WindowRecord& record) {
    return static_cast<LONG>((record.style & ~static_cast<DWORD>(WS_VISIBLE)) |
                             (record.visible ? WS_VISIBLE : 0));
}

int sdl_side(int side) { return std::clamp(side, 1, largest_side); }

AppliedWindow wanted(const WindowRecord& record) {
    return {record.origin,
            sdl_side(record.width),
            sdl_side(record.height),
            has_frame(record.style),
            record.visible,
            record.minimised,
            record.title};
}

}  // namespace

namespace window_layer {

LONG saturate(int64_t value) {
    return static_cast<LONG>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

void remember(std::deque<POINT>& recent, POINT value) {
    recent.push_back(value);
    if (recent.size() > values_remembered) recent.pop_front();
}

bool is_recent(const std::deque<POINT>& recent, int x, int y) {
    for (const POINT& value : recent)
        if (value.x == x && value.y == y) return true;
    return false;
}

WindowRecord* find_window(HWND window) {
    auto it = user_state().windows.find(reinterpret_cast<uintptr_t>(window));
    return it == user_state().windows.end() ? nullptr : it->second.get();
}

WindowRecord* find_sdl_window(Uint32 sdl_id) {
    for (auto& entry : user_state().windows)
        if (entry.second->sdl_id == sdl_id) return entry.second.get();
    return nullptr;
}

}  // namespace window_layer

bool layer_init_subsystem(unsigned int sdl_init_flags) {
    static std::mutex& guard = *new std::mutex();
    std::lock_guard<std::mutex> hold(guard);
    static bool hints_set = false;
    if (!hints_set) {
        // Ctrl+C and kill end the process as usual; closing the window is the
        // window procedure's business; the screen saver stays on until the
        // program switches it off, as on the platform.
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
        SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
        hints_set = true;
    }
    const Uint32 missing = sdl_init_flags & ~SDL_WasInit(sdl_init_flags);
    return missing == 0 || SDL_InitSubSystem(missing) == 0;
}

SDL_Window* layer_sdl_window(HWND window) {
    std::lock_guard<std::mutex> hold(user_state().lock);
    WindowRecord* record = find_window(window);
    return record ? record->sdl : nullptr;
}

namespace window_layer {

bool claim_window_thread() {
    UserState& state = user_state();
    const std::thread::id me = std::this_thread::get_id();
    {
        std::lock_guard<std::mutex> hold(state.lock);
        if (state.window_queue) return state.window_queue->owner == me;
    }
    if (!layer_init_subsystem(SDL_INIT_VIDEO)) return false;
    const Uint32 wake_event = SDL_RegisterEvents(1);
    if (wake_event == static_cast<Uint32>(-1)) return false;
    std::shared_ptr<ThreadQueue> queue = own_queue();
    std::lock_guard<std::mutex> hold(state.lock);
    if (state.window_queue) return state.window_queue->owner == me;
    queue->window_thread = true;
    state.window_queue = queue;
    state.wake_event = wake_event;
    int x = 0;
    int y = 0;
    SDL_GetGlobalMouseState(&x, &y);
    state.cursor = {x, y};
    return true;
}

void apply_window(HWND window) {
    UserState& state = user_state();
    SDL_Window* sdl = nullptr;
    AppliedWindow want;
    AppliedWindow had;
    {
        std::lock_guard<std::mutex> hold(state.lock);
        WindowRecord* record = find_window(window);
        if (record == nullptr) return;
        sdl = record->sdl;
        had = record->applied;
        want = wanted(*record);
    }
    if (want.bordered != had.bordered)
        SDL_SetWindowBordered(sdl, want.bordered ? SDL_TRUE : SDL_FALSE);
    const bool moved = want.origin.x != had.origin.x || want.origin.y != had.origin.y;
    const POINT sdl_origin{std::clamp<int>(want.origin.x, -largest_side, largest_side),
                           std::clamp<int>(want.origin.y, -largest_side, largest_side)};
    if (moved) SDL_SetWindowPosition(sdl, sdl_origin.x, sdl_origin.y);
    const bool resized = want.width != had.width || want.height != had.height;
    if (resized) SDL_SetWindowSize(sdl, want.width, want.height);
    if (want.visible != had.visible) {
        if (want.visible)
            SDL_ShowWindow(sdl);
        else
            SDL_HideWindow(sdl);
    }
    if (want.minimised != had.minimised) {
        if (want.minimised)
            SDL_MinimizeWindow(sdl);
        else
            SDL_RestoreWindow(sdl);
    }
    if (want.title != had.title) SDL_SetWindowTitle(sdl, want.title.c_str());

    MSG size{};
    {
        std::lock_guard<std::mutex> hold(state.lock);
        WindowRecord* record = find_window(window);
        if (record == nullptr) return;
        record->applied = want;
        if (moved) remember(record->recent_origins, sdl_origin);
        if (resized) remember(record->recent_sizes, {want.width, want.height});
        if (!take_size_change(*record, &size)) return;
    }
    call_procedure(window, size.message, size.wParam, size.lParam);
}

bool take_size_change(WindowRecord& record, MSG* size) {
    if (record.width == record.notified_width && record.height == record.notified_height &&
        record.minimised == record.notified_minimised)
        return false;
    record.notified_width = record.width;
    record.notified_height = record.height;
    record.notified_minimised = record.minimised;
    size->hwnd = record.handle;
    size->message = WM_SIZE;
    size->wParam = record.minimised ? SIZE_MINIMIZED : SIZE_RESTORED;
    size->lParam = record.minimised ? 0 : make_lparam(record.width, record.height);
    return true;
}

void apply_window_on_its_thread(HWND window) {
    std::shared_ptr<ThreadQueue> queue;
    {
        std::lock_guard<std::mutex> hold(user_state().lock);
        WindowRecord* record = find_window(window);
        if (record == nullptr) return;
        queue = record->queue;
    }
    run_on(queue, [window] {
        apply_window(window);
        return LRESULT{0};
    });
}

}  // namespace window_layer

ATOM RegisterClassExA(const WNDCLASSEXA* window_class) {
    UserState& state = user_state();
    std::lock_guard<std::mutex> hold(state.lock);
    if (layer_fails(LayerFailure::register_class) || window_class == nullptr ||
        window_class->cbSize != sizeof(WNDCLASSEXA) || window_class->lpfnWndProc == nullptr ||
        window_class->lpszClassName == nullptr)
        return 0;
    for (const WindowClass& known : state.classes)
        if (known.instance == window_class->hInstance &&
            strcasecmp(known.name.c_str(), window_class->lpszClassName) == 0)
            return 0;
    state.classes.push_back(
        {window_class->lpszClassName, window_class->hInstance, window_class->lpfnWndProc});
    return static_cast<ATOM>(first_class_atom + state.classes.size() - 1);
}

HWND CreateWindowExA(DWORD, LPCSTR class_name, LPCSTR window_name, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                     LPVOID parameter) {
    UserState& state = user_state();
    if (layer_fails(LayerFailure::create_window) || class_name == nullptr || parent != NULL ||
        menu != NULL || parameter != nullptr)
        return NULL;
    WNDPROC procedure = nullptr;
    {
        std::lock_guard<std::mutex> hold(state.lock);
        for (const WindowClass& known : state.classes)
            if (known.instance == instance && strcasecmp(known.name.c_str(), class_name) == 0)
                procedure = known.procedure;
    }
    if (procedure == nullptr || !claim_window_thread()) return NULL;

    auto record = std::make_unique<WindowRecord>();
    record->procedure = procedure;
    record->style = style;
    record->title = window_name ? window_name : "";
    record->visible = (style & WS_VISIBLE) != 0;
    record->focused = record->visible;  // a window shown at creation is activated
    const bool placed_by_system = x == CW_USEDEFAULT || y == CW_USEDEFAULT;
    place(*record, placed_by_system ? 0 : x, placed_by_system ? 0 : y, width, height);

    Uint32 flags = SDL_WINDOW_OPENGL | (record->visible ? SDL_WINDOW_SHOWN : SDL_WINDOW_HIDDEN);
    if (style & WS_THICKFRAME) flags |= SDL_WINDOW_RESIZABLE;
    if (!has_frame(style)) flags |= SDL_WINDOW_BORDERLESS;
    const int sdl_x = placed_by_system
                          ? SDL_WINDOWPOS_UNDEFINED
                          : std::clamp<int>(record->origin.x, -largest_side, largest_side);
    const int sdl_y = placed_by_system
                          ? SDL_WINDOWPOS_UNDEFINED
                          : std::clamp<int>(record->origin.y, -largest_side, largest_side);
    SDL_Window* sdl = SDL_CreateWindow(record->title.c_str(), sdl_x, sdl_y, sdl_side(record->width),
                                       sdl_side(record->height), flags);
    if (sdl == nullptr) return NULL;
    int sdl_left = 0;
    int sdl_top = 0;
    SDL_GetWindowPosition(sdl, &sdl_left, &sdl_top);
    // A round trip to the display server: the events of the window's
    // appearance (its focus above all) are then queued before any later one.
    int cursor_x = 0;
    int cursor_y = 0;
    SDL_GetGlobalMouseState(&cursor_x, &cursor_y);

    record->sdl = sdl;
    record->sdl_id = SDL_GetWindowID(sdl);
    record->origin = {sdl_left, sdl_top};
    record->applied = wanted(*record);
    remember(record->recent_origins, record->origin);
    remember(record->recent_sizes, {record->applied.width, record->applied.height});
    record->notified_width = record->width;
    record->notified_height = record->height;

    std::lock_guard<std::mutex> hold(state.lock);
    record->queue = state.window_queue;
    record->handle = reinterpret_cast<HWND>(state.next_handle++);
    state.cursor = {cursor_x, cursor_y};
    HWND handle = record->handle;
    state.windows[reinterpret_cast<uintptr_t>(handle)] = std::move(record);
    return handle;
}

BOOL DestroyWindow(HWND window) {
    UserState& state = user_state();
    {
        std::lock_guard<std::mutex> hold(state.lock);
        WindowRecord* record = find_window(window);
        if (record == nullptr || record->destroying ||
            record->queue->owner != std::this_thread::get_id())
            return FALSE;
        record->destroying = true;
    }
    call_procedure(window, WM_DESTROY, 0, 0);
    std::unique_ptr<WindowRecord> gone;
    {
        std::lock_guard<std::mutex> hold(state.lock);
        auto it = state.windows.find(reinterpret_cast<uintptr_t>(window));
        gone = std::move(it->second);
        state.windows.erase(it);
        if (state.raw_target == window) {
            state.raw_registered = false;
            state.raw_target = NULL;
        }
    }
    SDL_DestroyWindow(gone->sdl);
    return TRUE;
}

LONG SetWindowLongA(HWND window, int index, LONG value) {
    if (index != GWL_STYLE) return 0;
    LONG previous = 0;
    {
        std::lock_guard<std::mutex> hold(user_state().lock);
        WindowRecord* record = find_window(window);
        if (record == nullptr) return 0;
        previous = style_value(*record);
        // The window rectangle stays; the client area follows the new frame.
        const RECT outer = window_rect(*record);
        record->style = static_cast<DWORD>(value);
        place(*record, outer.left, outer.top, int64_t{outer.right} - outer.left,
              int64_t{outer.bottom} - outer.top);
    }
    apply_window_on_its_thread(window);
    return previous;
}

LONG GetWindowLongA(HWND window, int index) {
    std::lock_guard<std::mutex> hold(user_state().lock);
    WindowRecord* record = find_window(window);
    return record != nullptr && index == GWL_STYLE ? style_value(*record) : 0;
}

LONG_PTR SetWindowLongPtrA(HWND window, int index, LONG_PTR value) {
    if (index == GWL_STYLE) return SetWindowLongA(window, index, static_cast<LONG>(value));
    std::lock_guard<std::mutex> hold(user_state().lock);
    WindowRecord* record = find_window(window);
    if (record == nullptr || index != GWLP_USERDATA) return 0;
    const LONG_PTR previous = record->user_data;
    record->user_data = value;
    return previous;
}

LONG_PTR GetWindowLongPtrA(HWND window, int index) {
    if (index == GWL_STYLE) return GetWindowLongA(window, index);
    std::lock_guard<std::mutex> hold(user_state().lock);
    WindowRecord* record = find_window(window);
    return record != nullptr && index == GWLP_USERDATA ? record->user_data : 0;
}

BOOL ShowWindow(HWND window, int command) {
    bool was_visible = false;
    {
        std::lock_guard<std::mutex> hold(user_state().lock);
        WindowRecord* record = find_window(window);
        if (record == nullptr) return FALSE;
        was_visible = record->visible;
        switch (command) {
            case SW_HIDE:
                record->visible = false;
                break;
            case SW_SHOWNORMAL:
            case SW_RESTORE:
                record->visible = true;
                record->minimised = false;
                break;
            case SW_SHOW:
                record->visible = true;
                break;
            case SW_MINIMIZE:
            case SW_FORCEMINIMIZE:
                record->visible = true;
                record->minimised = true;
                break;
            default:
                return was_visible ? TRUE : FALSE;
        }
    }
    apply_window_on_its_thread(window);
    return was_visible ? TRUE : FALSE;
}

BOOL UpdateWindow(HWND window) {
    std::lock_guard<std::mutex> hold(user_state().lock);
    return find_window(window) != nullptr ? TRUE : FALSE;
}

BOOL SetWindowPos(HWND window, HWND, int x, int y, int width, int height, UINT flags) {
    {
        std::lock_guard<std::mutex> hold(user_state().lock);
        WindowRecord* record = find_window(window);
        if (record == nullptr) return FALSE;
        const RECT outer = window_rect(*record);
        int64_t left = outer.left;
        int64_t top = outer.top;
        int64_t outer_width = int64_t{outer.right} - outer.left;
        int64_t outer_height = int64_t{outer.bottom} - outer.top;
        if (!(flags & SWP_NOMOVE)) {
            left = x;
            top = y;
        }
        if (!(flags & SWP_NOSIZE)) {
            outer_width = std::max(0, width);
            outer_height = std::max(0, height);
        }
        place(*record, left, top, outer_width, outer_height);
        if (flags & SWP_SHOWWINDOW) record->visible = true;
        if (flags & SWP_HIDEWINDOW) record->visible = false;
    }
    apply_window_on_its_thread(window);
    return TRUE;
}

BOOL GetWindowRect(HWND window, LPRECT rect) {
    std::lock_guard<std::mutex> hold(user_state().lock);
    WindowRecord* record = find_window(window);
    if (record == nullptr || rect == nullptr) return FALSE;
    *rect = window_rect(*record);
    return TRUE;
}

BOOL GetClientRect(HWND window, LPRECT rect) {
    std::lock_guard<std::mutex> hold(user_state().lock);
    WindowRecord* record = find_window(window);
    if (record == nullptr || rect == nullptr) return FALSE;
    *rect = {0, 0, record->width, record->height};
    return TRUE;
}

BOOL ClientToScreen(HWND window, LPPOINT point) {
    std::lock_guard<std::mutex> hold(user_state().lock);
    WindowRecord* record = find_window(window);
    if (record == nullptr || point == nullptr) return FALSE;
    *point = {saturate(int64_t{point->x} + record->origin.x),
              saturate(int64_t{point->y} + record->origin.y)};
    return TRUE;
}

BOOL SetRect(LPRECT rect, int left, int top, int right, int bottom) {
    if (rect == nullptr) return FALSE;
    *rect = {left, top, right, bottom};
    return TRUE;
}

BOOL SetWindowTextA(HWND window, LPCSTR text) {
    return SendMessageA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) ? TRUE : FALSE;
}

LRESULT DefWindowProcA(HWND window, UINT message, WPARAM, LPARAM lparam) {
    switch (message) {
        case WM_SETTEXT: {
            {
                std::lock_guard<std::mutex> hold(user_state().lock);
                WindowRecord* record = find_window(window);
                if (record == nullptr) return FALSE;
                const char* text = reinterpret_cast<const char*>(lparam);
                record->title = text ? text : "";
            }
            apply_window_on_its_thread(window);
            return TRUE;
        }
        case WM_CLOSE:
            DestroyWindow(window);
            return 0;
        default:
            return 0;
    }
}

BOOL EnumDisplaySettingsA(LPCSTR device, DWORD mode, DEVMODEA* dev_mode) {
    if (device != nullptr || mode != ENUM_CURRENT_SETTINGS || dev_mode == nullptr) return FALSE;
    UserState& state = user_state();
    if (claim_window_thread()) {
        SDL_DisplayMode current;
        if (SDL_GetCurrentDisplayMode(0, &current) == 0) {
            std::lock_guard<std::mutex> hold(state.lock);
            state.display.dmSize = sizeof(DEVMODEA);
            state.display.dmFields =
                DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT | DM_DISPLAYFREQUENCY;
            state.display.dmBitsPerPel = SDL_BITSPERPIXEL(current.format);
            state.display.dmPelsWidth = static_cast<DWORD>(current.w);
            state.display.dmPelsHeight = static_cast<DWORD>(current.h);
            state.display.dmDisplayFrequency = static_cast<DWORD>(current.refresh_rate);
            state.display_known = true;
        }
    }
    // Other threads get what the window thread read last.
    std::lock_guard<std::mutex> hold(state.lock);
    if (!state.display_known) return FALSE;
    *dev_mode = state.display;
    return TRUE;
}
