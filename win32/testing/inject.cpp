// Injected platform events: they enter SDL's own event queue, so the layer
// translates them exactly as it does real input.
#include "win32/testing_user.h"

#include "user_internal.h"

#include <map>
#include <mutex>

using namespace window_layer;

namespace {

// The window's SDL id and client origin; id 0 for a dead handle.
Uint32 sdl_id_of(HWND window, POINT* origin = nullptr) {
    std::lock_guard<std::mutex> hold(user_state().lock);
    WindowRecord* record = find_window(window);
    if (record == nullptr) return 0;
    if (origin != nullptr) *origin = record->origin;
    return record->sdl_id;
}

// Where the last injected motion left the pointer over each window (client
// pixels); injected clicks happen there.
struct Pointers {
    std::mutex lock;
    std::map<HWND, POINT> at;
};

Pointers& pointers() {
    static Pointers* injected = new Pointers;
    return *injected;
}

bool push(SDL_Event& event) { return SDL_PushEvent(&event) == 1; }

bool push_window_event(HWND window, SDL_WindowEventID id, int data1 = 0, int data2 = 0) {
    const Uint32 sdl_id = sdl_id_of(window);
    if (sdl_id == 0) return false;
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.windowID = sdl_id;
    event.window.event = id;
    event.window.data1 = data1;
    event.window.data2 = data2;
    return push(event);
}

}  // namespace

bool testing_inject_key(HWND window, const char* key_name, bool down, bool repeat, bool alt) {
    const Uint32 sdl_id = sdl_id_of(window);
    if (sdl_id == 0 || key_name == nullptr) return false;
    const SDL_Keycode key = SDL_GetKeyFromName(key_name);
    if (key == SDLK_UNKNOWN) return false;
    SDL_Event event{};
    event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    event.key.windowID = sdl_id;
    event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.key.repeat = repeat ? 1 : 0;
    event.key.keysym.sym = key;
    event.key.keysym.scancode = SDL_GetScancodeFromKey(key);
    event.key.keysym.mod = alt ? KMOD_LALT : KMOD_NONE;
    return push(event);
}

bool testing_inject_button(HWND window, TestingButton button, bool down) {
    POINT origin{};
    const Uint32 sdl_id = sdl_id_of(window, &origin);
    if (sdl_id == 0) return false;
    POINT at{};
    bool injected = false;
    {
        Pointers& injected_pointers = pointers();
        std::lock_guard<std::mutex> hold(injected_pointers.lock);
        auto found = injected_pointers.at.find(window);
        if (found != injected_pointers.at.end()) {
            at = found->second;
            injected = true;
        }
    }
    if (!injected) {
        POINT cursor{};
        GetCursorPos(&cursor);
        at = {saturate(int64_t{cursor.x} - origin.x), saturate(int64_t{cursor.y} - origin.y)};
    }
    SDL_Event event{};
    event.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    event.button.windowID = sdl_id;
    event.button.button = button == TestingButton::left     ? SDL_BUTTON_LEFT
                          : button == TestingButton::middle ? SDL_BUTTON_MIDDLE
                                                            : SDL_BUTTON_RIGHT;
    event.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.button.clicks = 1;
    event.button.x = at.x;
    event.button.y = at.y;
    return push(event);
}

bool testing_inject_wheel(HWND window, float notches) {
    const Uint32 sdl_id = sdl_id_of(window);
    if (sdl_id == 0) return false;
    SDL_Event event{};
    event.type = SDL_MOUSEWHEEL;
    event.wheel.windowID = sdl_id;
    event.wheel.y = static_cast<Sint32>(notches);
    event.wheel.preciseY = notches;
    event.wheel.direction = SDL_MOUSEWHEEL_NORMAL;
    return push(event);
}

bool testing_inject_motion(HWND window, int x, int y, int dx, int dy) {
    const Uint32 sdl_id = sdl_id_of(window);
    if (sdl_id == 0) return false;
    {
        Pointers& injected_pointers = pointers();
        std::lock_guard<std::mutex> hold(injected_pointers.lock);
        injected_pointers.at[window] = {x, y};
    }
    SDL_Event event{};
    event.type = SDL_MOUSEMOTION;
    event.motion.windowID = sdl_id;
    event.motion.x = x;
    event.motion.y = y;
    event.motion.xrel = dx;
    event.motion.yrel = dy;
    return push(event);
}

bool testing_inject_focus(HWND window, bool gained) {
    return push_window_event(window,
                             gained ? SDL_WINDOWEVENT_FOCUS_GAINED : SDL_WINDOWEVENT_FOCUS_LOST);
}

bool testing_inject_resize(HWND window, int width, int height) {
    return push_window_event(window, SDL_WINDOWEVENT_SIZE_CHANGED, width, height);
}

bool testing_inject_close(HWND window) { return push_window_event(window, SDL_WINDOWEVENT_CLOSE); }
