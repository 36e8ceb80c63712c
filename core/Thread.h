// Thread start records and their entry trampolines. Every thread of the
// program is started by start_thread: _beginthreadex with a heap record that
// the trampoline deletes after the body returns.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

// Non-zero while the program keeps running; read and cleared by the main and
// the game thread without a lock.
extern std::atomic<uint8_t> app_running;

// A body with one pointer argument (the body casts it back to its own type).
struct ThreadStartRecord {
    void (*function)(void* argument);
    void* argument;
};

// A body without argument: the game thread's.
struct ThreadStartRecordWithoutArgument {
    void (*function)();
};

// Entry for a ThreadStartRecord: calls function(argument), deletes the
// record, returns 0.
unsigned WINAPI thread_start(void* record);
// Entry for a ThreadStartRecordWithoutArgument: calls function(), deletes
// the record, returns 0.
unsigned WINAPI thread_start_without_argument(void* record);

// Starts body(argument) or body() on a new thread through a heap record and
// its trampoline; the record is freed here when the thread could not start.
// Returns the thread's handle (the caller closes it), or null.
HANDLE start_thread(void (*body)(void* argument), void* argument);
HANDLE start_thread(void (*body)());
