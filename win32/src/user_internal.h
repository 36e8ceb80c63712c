// What the window half's sources share: the thread queues, the window
// records and the one lock that guards them.
//
// Locking: everything below is guarded by user_state().lock, except the
// immutable parts noted. The lock is never held while a window procedure
// runs or while the thread waits for SDL or for another thread, so a
// procedure may call any function of this half.
#pragma once

#include <windows.h>

#include <SDL.h>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// The window half's own names, kept apart from the other parts of the layer.
namespace window_layer {

// A message sent from another thread, or a call handed to the window
// thread: run by the queue's owner, answered with its result.
struct Delivery {
    std::function<LRESULT()> action;
    LRESULT result = 0;
    bool done = false;  // answered: run, or dropped because the pump ended
};

struct ThreadQueue {
    std::thread::id owner;  // immutable
    bool window_thread = false;
    std::deque<MSG> posted;
    std::deque<MSG> input;  // platform events made into messages
    std::deque<std::shared_ptr<Delivery>> sent;
    bool quit = false;
    int quit_code = 0;
    bool ended = false;
    // Counts every message posted or sent to the queue, so a waiting thread
    // sees what arrived after its last look.
    uint64_t arrivals = 0;
    // A wake-up event is in SDL's queue and not yet taken (window thread).
    bool wake_pending = false;
    // A thread other than the window thread waits here in GetMessageA.
    std::condition_variable changed;
};

struct WindowClass {
    std::string name;
    HINSTANCE instance;
    WNDPROC procedure;
};

// What SDL was last given for a window, so only changes are applied.
struct AppliedWindow {
    POINT origin;
    int width;
    int height;
    bool bordered;
    bool visible;
    bool minimised;
    std::string title;
};

struct WindowRecord {
    HWND handle;                         // immutable
    SDL_Window* sdl;                     // immutable
    Uint32 sdl_id;                       // immutable
    std::shared_ptr<ThreadQueue> queue;  // immutable: the window thread's
    WNDPROC procedure;                   // immutable
    DWORD style;
    LONG_PTR user_data = 0;
    std::string title;
    // The client area: origin in screen pixels, size.
    POINT origin;
    int width;
    int height;
    bool visible;
    bool minimised = false;
    bool focused;
    bool destroying = false;
    AppliedWindow applied;
    // Origins and sizes ({width, height}) recently given to SDL. The display
    // server reports each of them back, late and in order; only a report
    // that matches none is a change made by the user or the window manager.
    std::deque<POINT> recent_origins;
    std::deque<POINT> recent_sizes;
    // The client size and state WM_SIZE last reported.
    int notified_width;
    int notified_height;
    bool notified_minimised = false;
};

struct RawRecord {
    uint64_t serial = 0;
    RAWINPUT data{};
};

struct UserState {
    std::mutex lock;
    // Signalled whenever a Delivery is answered.
    std::condition_variable answered;
    std::vector<WindowClass> classes;
    std::map<uintptr_t, std::unique_ptr<WindowRecord>> windows;
    uintptr_t next_handle = 1;
    // The window thread's queue; null until a thread claims video.
    std::shared_ptr<ThreadQueue> window_queue;
    Uint32 wake_event = 0;
    DEVMODEA display{};
    bool display_known = false;

    POINT cursor{};
    int cursor_count = 0;
    bool clipped = false;
    RECT clip{};
    bool screen_saver = true;

    bool raw_registered = false;
    DWORD raw_flags = 0;
    HWND raw_target = NULL;
    static constexpr int raw_kept = 256;
    RawRecord raw[raw_kept];
    uint64_t raw_serial = 0;
};

// Lives for the whole process (never destroyed, so threads still running at
// exit find it).
UserState& user_state();

// The calling thread's queue, made on first use.
std::shared_ptr<ThreadQueue> own_queue();
// With the lock held: the live record of a handle, or null.
WindowRecord* find_window(HWND window);
WindowRecord* find_sdl_window(Uint32 sdl_id);
// With the lock held: wakes the queue's owner if it waits.
void wake(ThreadQueue& queue);
// Runs the action on the queue's owner thread and returns its result: at
// once when the caller is the owner (or there is no queue), else handed over
// and waited for; 0 when the owner's pump has ended.
LRESULT run_on(const std::shared_ptr<ThreadQueue>& queue, std::function<LRESULT()> action);
// The same on the window thread (directly when there is none yet).
LRESULT run_on_window_thread(std::function<LRESULT()> action);
// Calls the window's procedure on the calling thread; 0 for a dead window.
LRESULT call_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
// Starts SDL video on the calling thread, which becomes the window thread.
// True when the caller is (now) the window thread.
bool claim_window_thread();
// Window thread: gives SDL the window's state, then sends WM_SIZE when the
// client size or the minimised state changed since the last report.
void apply_window(HWND window);
// With the lock held: the WM_SIZE that reports the window's client size and
// minimised state when either changed since the last report (which this
// one becomes); false when nothing changed. Whoever changed the size, the
// program or the user, reports it through here.
bool take_size_change(WindowRecord& record, MSG* size);
// Hands apply_window for the window to its thread and waits for it.
void apply_window_on_its_thread(HWND window);
// Window thread: the cursor's confinement and visibility and the screen
// saver's state to SDL.
void apply_system_state();
// With the lock held: the platform event made into messages (window thread).
void translate_event(const SDL_Event& event);

// With the lock held: the last few values given to SDL, and a look-up.
void remember(std::deque<POINT>& recent, POINT value);
bool is_recent(const std::deque<POINT>& recent, int x, int y);

// Screen geometry in 64 bits, saturated to the 32-bit range on the way back.
LONG saturate(int64_t value);
inline LPARAM make_lparam(int low, int high) {
    return static_cast<LPARAM>((static_cast<DWORD>(static_cast<WORD>(high)) << 16) |
                               static_cast<WORD>(low));
}

}  // namespace window_layer
