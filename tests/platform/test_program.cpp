// The program exactly as main runs it, with a stand-in for the game thread
// that does only what the end-to-end test asks (QUILLFEN_TEST_MODE):
//   wait         wait until app_running clears (the window is closed)
//   quit         the exit button's road: clear app_running, wake the pump
//   late_error   the same, then Window::error once main has left its loop
//   early_error  a start-up failure: Window::error, then app_running cleared
//   long_error   the same with a text far wider than any screen (in the
//                fixed font 131 072 pixels: 0 in the 16 bits of X's sizes)
//   fail_class, fail_create, fail_raw
//                the window's construction fails (set before main runs)
#include "core/Thread.h"
#include "game/GameThread.h"
#include "platform/Window.h"
#include "win32/testing.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

bool mode_is(const char* name) {
    const char* mode = std::getenv("QUILLFEN_TEST_MODE");
    return mode != nullptr && std::strcmp(mode, name) == 0;
}

const bool failures_set = [] {
    testing_fail_register_class(mode_is("fail_class"));
    testing_fail_create_window(mode_is("fail_create"));
    testing_fail_register_raw_input(mode_is("fail_raw"));
    return true;
}();

}  // namespace

void game_thread() {
    Window* window = main_window;
    if (window == nullptr || window->get_handle() == NULL)
        return;  // a failed window has shown its box and ended the pump
    if (mode_is("quit") || mode_is("late_error")) {
        app_running.store(0, std::memory_order_relaxed);
        PostMessageA(window->get_handle(), WM_NULL, 0, 0);
        if (mode_is("late_error")) {
            Sleep(300);  // main has left its loop by now
            window->error("Too late");
        }
        return;
    }
    if (mode_is("early_error") || mode_is("long_error")) {
        window->error(mode_is("long_error") ? String(std::string(21840, 'W').c_str())
                                            : String("Could not initialise GLEW"));
        app_running.store(0, std::memory_order_relaxed);
        return;
    }
    while (app_running.load(std::memory_order_relaxed)) Sleep(1);
}
