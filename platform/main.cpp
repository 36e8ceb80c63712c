// The process: the window, the game thread, the message pump on this (the
// main) thread, and the orderly end.
#include <windows.h>
#include <process.h>

#include "core/String.h"
#include "core/Thread.h"
#include "game/GameThread.h"
#include "platform/Window.h"

#include <iostream>
#include <memory>

int main() {
    // main owns the window; main_window lets the game thread reach it.
    std::unique_ptr<Window> window;
    {
        const Vec2i size{1280, 720};
        const String title("Quillfen!");
        window = std::make_unique<Window>(size, title);
        main_window = window.get();
    }

    HANDLE game = start_thread(game_thread);
    SetThreadPriority(game, THREAD_PRIORITY_TIME_CRITICAL);

    while (app_running.load(std::memory_order_relaxed)) {
        if (!main_window->process_messages()) break;
    }
    app_running.store(0, std::memory_order_relaxed);

    // The loop may have ended on a cleared flag with the pump still open; the
    // game thread could then send to the window (Window::error) and wait for
    // a delivery that never comes while this thread waits for it. Ending the
    // pump formally delivers what is queued and makes every later send
    // return at once.
    PostQuitMessage(0);
    while (main_window->process_messages()) {}

    WaitForSingleObject(game, INFINITE);

    main_window = nullptr;
    window.reset();
    // However the program ended, the screen saver is the user's again.
    SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, TRUE, NULL, SPIF_SENDCHANGE);

    std::cout << "\n[i] Reached end of main(), de-constructing...\n" << std::flush;

    CloseHandle(game);
    return 0;
}
