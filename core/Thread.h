// Thread start records and their entry trampolines. Every thread of the
// program is started with _beginthreadex and one of the trampolines below:
//
//     ThreadStartRecord* record = new ThreadStartRecord{body, argument};
//     HANDLE thread = (HANDLE)_beginthreadex(NULL, 0, thread_start, record, 0, &id);
//     if (!thread) delete record;  // the trampoline never ran
//
// From the moment the thread has started, the record belongs to the
// trampoline, which deletes it after the body returns.
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
