// Kernel objects on the C++ thread library. A handle is a number looked up in
// one table; the objects are shared, so a wait in progress keeps its object
// alive even when another thread closes the handle meanwhile. Lock order:
// the handle table, then one object's lock.
#include <windows.h>

#include "seams.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace {

// Each object's state is guarded by its own lock and announced on its own
// condition.
struct Object {
    virtual ~Object() = default;
    std::mutex lock;
    std::condition_variable changed;
};

struct ThreadObject : Object {
    explicit ThreadObject(DWORD thread_id) : id(thread_id) {}
    const DWORD id;
    bool ended = false;
};

struct MutexObject : Object {
    DWORD owner = 0;  // thread id, 0 = free
    uint64_t depth = 0;
    bool abandoned = false;
};

struct EventObject : Object {
    bool manual_reset = false;
    bool signalled = false;
};

struct HandleTable {
    std::mutex lock;
    std::map<uintptr_t, std::shared_ptr<Object>> objects;
    // Multiples of 4 from here never meet the pseudo-handles near -1.
    uintptr_t next = 0x1000;
    // Objects of the threads not started by _beginthreadex, made when such a
    // thread names itself through the pseudo-handle; they live as long as
    // the process.
    std::vector<std::unique_ptr<ThreadObject>> other_threads;
};

// Never destroyed: threads still running while the process exits, and the
// static destructors of the engine, may still close their handles.
HandleTable& table() {
    static HandleTable* handles = new HandleTable;
    return *handles;
}

HANDLE const current_thread_pseudo_handle = reinterpret_cast<HANDLE>(static_cast<intptr_t>(-2));

std::atomic<DWORD> next_thread_id{1};
thread_local DWORD current_thread_id = 0;
// The calling thread's object; null until needed for a thread the layer did
// not start.
thread_local ThreadObject* current_thread = nullptr;

DWORD thread_id() {
    if (current_thread_id == 0) current_thread_id = next_thread_id.fetch_add(1);
    return current_thread_id;
}

HANDLE add_handle(std::shared_ptr<Object> object) {
    HandleTable& handles = table();
    std::lock_guard<std::mutex> guard(handles.lock);
    uintptr_t value = handles.next;
    handles.next += 4;
    handles.objects.emplace(value, std::move(object));
    return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<Object> find_handle(HANDLE handle) {
    HandleTable& handles = table();
    std::lock_guard<std::mutex> guard(handles.lock);
    auto found = handles.objects.find(reinterpret_cast<uintptr_t>(handle));
    if (found == handles.objects.end()) return nullptr;
    return found->second;
}

// The thread object behind a handle or the pseudo-handle, kept alive for the
// caller; null for anything else.
std::shared_ptr<ThreadObject> find_thread(HANDLE handle) {
    if (handle == current_thread_pseudo_handle) {
        if (!current_thread) {
            HandleTable& handles = table();
            std::lock_guard<std::mutex> guard(handles.lock);
            handles.other_threads.push_back(std::make_unique<ThreadObject>(thread_id()));
            current_thread = handles.other_threads.back().get();
        }
        // Aliasing, not owning: the object outlives the calling thread's use.
        return std::shared_ptr<ThreadObject>(std::shared_ptr<void>(), current_thread);
    }
    return std::dynamic_pointer_cast<ThreadObject>(find_handle(handle));
}

// Waits on the object's condition until ready() holds; false on time-out.
template <typename Ready>
bool wait_until_ready(std::unique_lock<std::mutex>& held, Object& object, DWORD milliseconds,
                      Ready ready) {
    if (milliseconds == INFINITE) {
        object.changed.wait(held, ready);
        return true;
    }
    return object.changed.wait_for(held, std::chrono::milliseconds(milliseconds), ready);
}

DWORD wait_mutex(MutexObject& mutex, DWORD milliseconds) {
    DWORD me = thread_id();
    std::unique_lock<std::mutex> held(mutex.lock);
    if (mutex.owner == me) {
        ++mutex.depth;
        return WAIT_OBJECT_0;
    }
    if (!wait_until_ready(held, mutex, milliseconds, [&] { return mutex.owner == 0; }))
        return WAIT_TIMEOUT;
    mutex.owner = me;
    mutex.depth = 1;
    bool was_abandoned = mutex.abandoned;
    mutex.abandoned = false;
    return was_abandoned ? WAIT_ABANDONED : WAIT_OBJECT_0;
}

DWORD wait_event(EventObject& event, DWORD milliseconds) {
    std::unique_lock<std::mutex> held(event.lock);
    if (!wait_until_ready(held, event, milliseconds, [&] { return event.signalled; }))
        return WAIT_TIMEOUT;
    if (!event.manual_reset) event.signalled = false;
    return WAIT_OBJECT_0;
}

DWORD wait_thread(ThreadObject& thread, DWORD milliseconds) {
    std::unique_lock<std::mutex> held(thread.lock);
    if (!wait_until_ready(held, thread, milliseconds, [&] { return thread.ended; }))
        return WAIT_TIMEOUT;
    return WAIT_OBJECT_0;
}

// Frees every mutex the ending thread still holds, marked abandoned for its
// next taker.
void abandon_mutexes(DWORD owner) {
    std::vector<std::shared_ptr<MutexObject>> mutexes;
    {
        HandleTable& handles = table();
        std::lock_guard<std::mutex> guard(handles.lock);
        for (auto& entry : handles.objects)
            if (auto mutex = std::dynamic_pointer_cast<MutexObject>(entry.second))
                mutexes.push_back(std::move(mutex));
    }
    for (auto& mutex : mutexes) {
        std::lock_guard<std::mutex> guard(mutex->lock);
        if (mutex->owner != owner) continue;
        mutex->owner = 0;
        mutex->depth = 0;
        mutex->abandoned = true;
        mutex->changed.notify_all();
    }
}

}  // namespace

LayerSeams layer_seams;

int64_t layer_real_ticks() {
    using Tick = std::chrono::duration<int64_t, std::ratio<1, layer_ticks_per_second>>;
    return std::chrono::duration_cast<Tick>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

DWORD layer_thread_id(HANDLE thread) {
    std::shared_ptr<ThreadObject> found = find_thread(thread);
    return found ? found->id : 0;
}

uintptr_t _beginthreadex(void* security, unsigned, unsigned(WINAPI* start_address)(void*),
                         void* arglist, unsigned initflag, unsigned* thrdaddr) {
    if (security || initflag != 0 || !start_address) return 0;
    DWORD id = next_thread_id.fetch_add(1);
    auto thread = std::make_shared<ThreadObject>(id);
    HANDLE handle = add_handle(thread);
    try {
        std::thread([thread, id, start_address, arglist] {
            current_thread_id = id;
            current_thread = thread.get();
            start_address(arglist);
            abandon_mutexes(id);
            current_thread = nullptr;
            std::lock_guard<std::mutex> guard(thread->lock);
            thread->ended = true;
            thread->changed.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        CloseHandle(handle);
        return 0;
    }
    if (thrdaddr) *thrdaddr = id;
    return reinterpret_cast<uintptr_t>(handle);
}

BOOL CloseHandle(HANDLE object) {
    if (object == current_thread_pseudo_handle) return TRUE;
    HandleTable& handles = table();
    std::shared_ptr<Object> closed;  // freed outside the table's lock
    std::lock_guard<std::mutex> guard(handles.lock);
    auto found = handles.objects.find(reinterpret_cast<uintptr_t>(object));
    if (found == handles.objects.end()) return FALSE;
    closed = std::move(found->second);
    handles.objects.erase(found);
    return TRUE;
}

DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds) {
    if (object == current_thread_pseudo_handle)
        return wait_thread(*find_thread(object), milliseconds);
    std::shared_ptr<Object> found = find_handle(object);
    if (auto mutex = dynamic_cast<MutexObject*>(found.get()))
        return wait_mutex(*mutex, milliseconds);
    if (auto event = dynamic_cast<EventObject*>(found.get()))
        return wait_event(*event, milliseconds);
    if (auto thread = dynamic_cast<ThreadObject*>(found.get()))
        return wait_thread(*thread, milliseconds);
    return WAIT_FAILED;
}

HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES attributes, BOOL initial_owner, LPCSTR name) {
    if (attributes || name) return nullptr;
    auto mutex = std::make_shared<MutexObject>();
    if (initial_owner) {
        mutex->owner = thread_id();
        mutex->depth = 1;
    }
    return add_handle(std::move(mutex));
}

BOOL ReleaseMutex(HANDLE object) {
    auto mutex = std::dynamic_pointer_cast<MutexObject>(find_handle(object));
    if (!mutex) return FALSE;
    std::lock_guard<std::mutex> guard(mutex->lock);
    if (mutex->owner != thread_id()) return FALSE;
    if (--mutex->depth == 0) {
        mutex->owner = 0;
        mutex->changed.notify_all();
    }
    return TRUE;
}

HANDLE CreateEventA(LPSECURITY_ATTRIBUTES attributes, BOOL manual_reset, BOOL initial_state,
                    LPCSTR name) {
    if (attributes || name) return nullptr;
    auto event = std::make_shared<EventObject>();
    event->manual_reset = manual_reset != FALSE;
    event->signalled = initial_state != FALSE;
    return add_handle(std::move(event));
}

BOOL SetEvent(HANDLE object) {
    auto event = std::dynamic_pointer_cast<EventObject>(find_handle(object));
    if (!event) return FALSE;
    std::lock_guard<std::mutex> guard(event->lock);
    event->signalled = true;
    event->changed.notify_all();
    return TRUE;
}

HANDLE GetCurrentThread() { return current_thread_pseudo_handle; }

DWORD GetCurrentThreadId() { return thread_id(); }

BOOL SetThreadPriority(HANDLE thread, int priority) {
    std::shared_ptr<ThreadObject> found = find_thread(thread);
    if (!found) return FALSE;
    if (auto observe = layer_seams.thread_priority.load(std::memory_order_acquire))
        observe(found->id, priority);
    return TRUE;
}

void Sleep(DWORD milliseconds) {
    if (milliseconds == 0)
        std::this_thread::yield();
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency) {
    if (layer_fails(LayerFailure::performance_frequency)) {
        frequency->QuadPart = 0;
        return FALSE;
    }
    frequency->QuadPart = layer_ticks_per_second;
    return TRUE;
}

BOOL QueryPerformanceCounter(LARGE_INTEGER* count) {
    int64_t (*source)() = layer_seams.counter.load(std::memory_order_acquire);
    count->QuadPart = source != nullptr ? source() : layer_real_ticks();
    return TRUE;
}
