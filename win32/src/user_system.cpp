// Message boxes, the screen saver, and the system's cursor, icon and module
// handles.
#include "user_internal.h"

#include "message_box.h"
#include "seams.h"

#include <algorithm>
#include <cstdio>

using namespace window_layer;

namespace {

// Stand-ins the handles point at; nothing ever reads through them.
char module_token;
char arrow_token;
char application_icon_token;

}  // namespace

void window_layer::apply_system_state() {
    struct Confinement {
        SDL_Window* sdl;
        bool held;
        SDL_Rect rect;
    };
    std::vector<Confinement> windows;
    bool cursor_shown = true;
    bool screen_saver = true;
    {
        UserState& state = user_state();
        std::lock_guard<std::mutex> hold(state.lock);
        cursor_shown = state.cursor_count >= 0;
        screen_saver = state.screen_saver;
        for (const auto& entry : state.windows) {
            const WindowRecord& record = *entry.second;
            // The part of the rectangle inside the client area, in window pixels.
            const int64_t left = std::max<int64_t>(state.clip.left, record.origin.x);
            const int64_t top = std::max<int64_t>(state.clip.top, record.origin.y);
            const int64_t right =
                std::min<int64_t>(state.clip.right, int64_t{record.origin.x} + record.width);
            const int64_t bottom =
                std::min<int64_t>(state.clip.bottom, int64_t{record.origin.y} + record.height);
            const bool held = state.clipped && left < right && top < bottom;
            windows.push_back(
                {record.sdl, held,
                 SDL_Rect{saturate(left - record.origin.x), saturate(top - record.origin.y),
                          saturate(right - left), saturate(bottom - top)}});
        }
    }
    if (!SDL_WasInit(SDL_INIT_VIDEO)) return;
    for (const Confinement& window : windows)
        SDL_SetWindowMouseRect(window.sdl, window.held ? &window.rect : nullptr);
    SDL_ShowCursor(cursor_shown ? SDL_ENABLE : SDL_DISABLE);
    if (screen_saver)
        SDL_EnableScreenSaver();
    else
        SDL_DisableScreenSaver();
}

int MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT type) {
    const std::string body = text ? text : "";
    const std::string title = caption ? caption : "Error";
    std::fprintf(stderr, "%s: %s\n", title.c_str(), body.c_str());
    std::fflush(stderr);
    const auto observe = layer_seams.message_box.load(std::memory_order_acquire);
    if (observe != nullptr && observe(body.c_str(), title.c_str(), type)) return IDOK;
    return static_cast<int>(run_on_window_thread([&title, &body] {
        return show_message_box(title.c_str(), body.c_str()) ? LRESULT{IDOK} : LRESULT{0};
    }));
}

BOOL SystemParametersInfoA(UINT action, UINT ui_param, PVOID, UINT) {
    if (action != SPI_SETSCREENSAVEACTIVE) return FALSE;
    {
        std::lock_guard<std::mutex> hold(user_state().lock);
        user_state().screen_saver = ui_param != FALSE;
    }
    run_on_window_thread([] {
        apply_system_state();
        return LRESULT{0};
    });
    return TRUE;
}

HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name) {
    return instance == NULL && name == IDC_ARROW ? reinterpret_cast<HCURSOR>(&arrow_token) : NULL;
}

HICON LoadIconA(HINSTANCE instance, LPCSTR name) {
    return instance == NULL && name == IDI_APPLICATION
               ? reinterpret_cast<HICON>(&application_icon_token)
               : NULL;
}

HMODULE GetModuleHandleA(LPCSTR module_name) {
    return module_name == nullptr ? reinterpret_cast<HMODULE>(&module_token) : NULL;
}
