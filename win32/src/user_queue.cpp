// Thread message queues: posting, sending across threads, the blocking pump
// and dispatching to window procedures.
#include "user_internal.h"

using namespace window_layer;

namespace {

// The window thread looks at its queues at least this often (below).
constexpr int longest_window_wait_ms = 50;

// Ends a queue's pump: what is still waiting to be sent is answered with 0,
// since no delivery can come now.
void end_pump(UserState& state, ThreadQueue& queue) {
    queue.ended = true;
    for (const std::shared_ptr<Delivery>& delivery : queue.sent) delivery->done = true;
    queue.sent.clear();
    state.answered.notify_all();
}

// Owns the thread's queue; a thread that ends has ended its pump too.
struct QueueHolder {
    std::shared_ptr<ThreadQueue> queue;
    ~QueueHolder() {
        if (!queue) return;
        UserState& state = user_state();
        std::lock_guard<std::mutex> hold(state.lock);
        end_pump(state, *queue);
    }
};

thread_local QueueHolder holder;

bool in_range(UINT message, UINT first, UINT last) {
    return (first == 0 && last == 0) || (message >= first && message <= last);
}

bool matches(const MSG& message, HWND window, UINT first, UINT last) {
    return (window == NULL || message.hwnd == window) && in_range(message.message, first, last);
}

// With the lock held: the first matching message of the list.
bool take_from(std::deque<MSG>& list, MSG* out, HWND window, UINT first, UINT last, bool remove) {
    for (auto it = list.begin(); it != list.end(); ++it) {
        if (!matches(*it, window, first, last)) continue;
        *out = *it;
        if (remove) list.erase(it);
        return true;
    }
    return false;
}

// Runs every message sent to this thread.
void deliver_sent(UserState& state, ThreadQueue& queue) {
    for (;;) {
        std::shared_ptr<Delivery> delivery;
        {
            std::lock_guard<std::mutex> hold(state.lock);
            if (queue.sent.empty()) return;
            delivery = queue.sent.front();
            queue.sent.pop_front();
        }
        const LRESULT result = delivery->action();
        std::lock_guard<std::mutex> hold(state.lock);
        delivery->result = result;
        delivery->done = true;
        state.answered.notify_all();
    }
}

// Window thread: every platform event SDL holds, made into messages. True
// when there was any.
bool translate_pending(UserState& state) {
    bool any = false;
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        any = true;
        std::lock_guard<std::mutex> hold(state.lock);
        translate_event(event);
    }
    return any;
}

enum class Pass { message, quit, nothing };

// One look at the queue in the platform's order: sent, posted, input, quit.
Pass look(UserState& state, ThreadQueue& queue, MSG* out, HWND window, UINT first, UINT last,
          bool remove) {
    for (;;) {
        deliver_sent(state, queue);
        {
            std::lock_guard<std::mutex> hold(state.lock);
            if (!queue.sent.empty()) continue;
            if (take_from(queue.posted, out, window, first, last, remove)) return Pass::message;
        }
        if (queue.window_thread && translate_pending(state))
            continue;  // look again: a wake-up may stand for a new message
        std::lock_guard<std::mutex> hold(state.lock);
        if (take_from(queue.input, out, window, first, last, remove)) return Pass::message;
        if (queue.quit && in_range(WM_QUIT, first, last)) {
            *out = MSG{NULL, WM_QUIT,        static_cast<WPARAM>(queue.quit_code),
                       0,    SDL_GetTicks(), state.cursor};
            if (remove) {
                queue.quit = false;
                end_pump(state, queue);
            }
            return Pass::quit;
        }
        return Pass::nothing;
    }
}

uint64_t arrivals(UserState& state, ThreadQueue& queue) {
    std::lock_guard<std::mutex> hold(state.lock);
    return queue.arrivals;
}

// Until something arrives for the queue after the look that began when
// `seen` messages had arrived.
void wait_for_more(UserState& state, ThreadQueue& queue, uint64_t seen) {
    if (queue.window_thread) {
        // SDL's wake-up of a waiting thread by an event pushed from another
        // thread can be lost under load (seen with X11), which would leave a
        // posted or sent message waiting for the next input. The wait is
        // therefore bounded: after it the caller looks at the queues again.
        SDL_Event event;
        const Uint32 began = SDL_GetTicks();
        if (SDL_WaitEventTimeout(&event, longest_window_wait_ms)) {
            std::lock_guard<std::mutex> hold(state.lock);
            translate_event(event);
        } else if (SDL_GetTicks() - began < 1) {
            SDL_Delay(1);  // SDL failed to wait; do not spin
        }
        return;
    }
    std::unique_lock<std::mutex> hold(state.lock);
    queue.changed.wait(hold, [&] { return queue.arrivals != seen; });
}

// A window filter must name a live window.
bool filter_ok(HWND window) {
    if (window == NULL) return true;
    std::lock_guard<std::mutex> hold(user_state().lock);
    return find_window(window) != nullptr;
}

void start_pump(UserState& state, ThreadQueue& queue) {
    std::lock_guard<std::mutex> hold(state.lock);
    queue.ended = false;
}

}  // namespace

namespace window_layer {

UserState& user_state() {
    static UserState* state = new UserState();
    return *state;
}

std::shared_ptr<ThreadQueue> own_queue() {
    if (!holder.queue) {
        auto queue = std::make_shared<ThreadQueue>();
        queue->owner = std::this_thread::get_id();
        holder.queue = queue;
    }
    return holder.queue;
}

void wake(ThreadQueue& queue) {
    ++queue.arrivals;
    if (!queue.window_thread) {
        queue.changed.notify_all();
        return;
    }
    if (queue.wake_pending) return;
    SDL_Event event{};
    event.type = user_state().wake_event;
    // SDL never calls back into this code, so pushing under the lock is safe.
    if (SDL_PushEvent(&event) == 1) queue.wake_pending = true;
}

LRESULT run_on(const std::shared_ptr<ThreadQueue>& queue, std::function<LRESULT()> action) {
    if (!queue || queue->owner == std::this_thread::get_id()) return action();
    UserState& state = user_state();
    auto delivery = std::make_shared<Delivery>();
    delivery->action = std::move(action);
    std::unique_lock<std::mutex> hold(state.lock);
    if (queue->ended) return 0;
    queue->sent.push_back(delivery);
    wake(*queue);
    state.answered.wait(hold, [&] { return delivery->done; });
    return delivery->result;
}

LRESULT run_on_window_thread(std::function<LRESULT()> action) {
    std::shared_ptr<ThreadQueue> queue;
    {
        std::lock_guard<std::mutex> hold(user_state().lock);
        queue = user_state().window_queue;
    }
    return run_on(queue, std::move(action));
}

LRESULT call_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    WNDPROC procedure = nullptr;
    {
        std::lock_guard<std::mutex> hold(user_state().lock);
        WindowRecord* record = find_window(window);
        if (record == nullptr) return 0;
        procedure = record->procedure;
    }
    return procedure(window, message, wparam, lparam);
}

}  // namespace window_layer

BOOL GetMessageA(LPMSG message, HWND window, UINT first, UINT last) {
    if (message == nullptr || !filter_ok(window)) return -1;
    UserState& state = user_state();
    std::shared_ptr<ThreadQueue> queue = own_queue();
    start_pump(state, *queue);
    for (;;) {
        const uint64_t seen = arrivals(state, *queue);
        switch (look(state, *queue, message, window, first, last, true)) {
            case Pass::message:
                return TRUE;
            case Pass::quit:
                return FALSE;
            case Pass::nothing:
                wait_for_more(state, *queue, seen);
                break;
        }
    }
}

BOOL PeekMessageA(LPMSG message, HWND window, UINT first, UINT last, UINT remove) {
    if (message == nullptr || !filter_ok(window)) return FALSE;
    UserState& state = user_state();
    std::shared_ptr<ThreadQueue> queue = own_queue();
    start_pump(state, *queue);
    return look(state, *queue, message, window, first, last, (remove & PM_REMOVE) != 0) ==
                   Pass::nothing
               ? FALSE
               : TRUE;
}

BOOL TranslateMessage(const MSG* message) {
    if (message == nullptr) return FALSE;
    switch (message->message) {
        case WM_KEYDOWN:
        case WM_KEYUP:
        case WM_SYSKEYDOWN:
        case WM_SYSKEYUP:
            return TRUE;
        default:
            return FALSE;
    }
}

LRESULT DispatchMessageA(const MSG* message) {
    if (message == nullptr || message->hwnd == NULL) return 0;
    {
        std::lock_guard<std::mutex> hold(user_state().lock);
        WindowRecord* record = find_window(message->hwnd);
        if (record == nullptr || record->queue->owner != std::this_thread::get_id()) return 0;
    }
    return call_procedure(message->hwnd, message->message, message->wParam, message->lParam);
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    std::shared_ptr<ThreadQueue> queue;
    {
        std::lock_guard<std::mutex> hold(user_state().lock);
        WindowRecord* record = find_window(window);
        if (record == nullptr) return 0;
        queue = record->queue;
    }
    return run_on(queue, [=] { return call_procedure(window, message, wparam, lparam); });
}

BOOL PostMessageA(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    UserState& state = user_state();
    std::shared_ptr<ThreadQueue> queue = window == NULL ? own_queue() : nullptr;
    std::lock_guard<std::mutex> hold(state.lock);
    if (window != NULL) {
        WindowRecord* record = find_window(window);
        if (record == nullptr) return FALSE;
        queue = record->queue;
    }
    queue->posted.push_back(MSG{window, message, wparam, lparam, SDL_GetTicks(), state.cursor});
    wake(*queue);
    return TRUE;
}

void PostQuitMessage(int exit_code) {
    UserState& state = user_state();
    std::shared_ptr<ThreadQueue> queue = own_queue();
    std::lock_guard<std::mutex> hold(state.lock);
    queue->quit = true;
    queue->quit_code = exit_code;
    ++queue->arrivals;
}
