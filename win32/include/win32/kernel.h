// Kernel calls: threads, mutexes, events, sleeping and the performance
// counter. Implemented on the C++ thread library.
//
// A HANDLE returned here names one kernel object until CloseHandle:
// - a thread (from _beginthreadex): signalled once its start routine has
//   returned; closing the handle of a running thread only lets it go on
//   unobserved;
// - a mutex: owned by one thread at a time and taken again by its owner
//   (each take needs its own release); when its owner, a thread started by
//   _beginthreadex, ends while holding it, the next wait takes it and
//   reports WAIT_ABANDONED;
// - an event: signalled by SetEvent; an auto-reset event lets exactly one
//   wait through per SetEvent, a manual-reset one stays signalled.
// A null, closed or unknown handle fails every call (WAIT_FAILED, FALSE).
// Handle values are never reused. Object names are not supported: a
// non-null name makes CreateMutexA and CreateEventA fail.
#pragma once

#include "win32/types.h"

#define INFINITE 0xFFFFFFFFu
#define WAIT_OBJECT_0 0x00000000u
#define WAIT_ABANDONED 0x00000080u
#define WAIT_TIMEOUT 0x00000102u
#define WAIT_FAILED 0xFFFFFFFFu

#define THREAD_PRIORITY_NORMAL 0
#define THREAD_PRIORITY_TIME_CRITICAL 15
#define THREAD_PRIORITY_ERROR_RETURN 0x7FFFFFFF

// Starts start_address(arglist) on a new thread at once. Only default
// security (null) and initflag 0 are supported, anything else fails;
// stack_size is ignored (the default stack). Returns the thread's handle (to
// be closed with CloseHandle), or 0 when the thread could not be started;
// *thrdaddr (when not null) receives the thread's id.
uintptr_t _beginthreadex(void* security, unsigned stack_size,
                         unsigned(WINAPI* start_address)(void*), void* arglist, unsigned initflag,
                         unsigned* thrdaddr);

BOOL CloseHandle(HANDLE object);

// Waits up to milliseconds (INFINITE: without time-out) for the object:
// WAIT_OBJECT_0 when signalled (a mutex is then owned by the caller),
// WAIT_ABANDONED for a mutex whose owner ended holding it (now the
// caller's), WAIT_TIMEOUT, or WAIT_FAILED for a bad handle.
DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds);

HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES attributes, BOOL initial_owner, LPCSTR name);
// FALSE when the caller does not own the mutex.
BOOL ReleaseMutex(HANDLE mutex);

HANDLE CreateEventA(LPSECURITY_ATTRIBUTES attributes, BOOL manual_reset, BOOL initial_state,
                    LPCSTR name);
BOOL SetEvent(HANDLE event);

// A pseudo-handle meaning "the calling thread" in every thread call; it
// needs no CloseHandle.
HANDLE GetCurrentThread();
DWORD GetCurrentThreadId();
// Returns TRUE for a thread handle and tells the test panel, when it
// watches, which priority the thread was given; the thread keeps the
// system's normal scheduling, since a spinning thread at real-time priority
// would starve the others.
BOOL SetThreadPriority(HANDLE thread, int priority);

// Sleep(0) gives up the rest of the time slice.
void Sleep(DWORD milliseconds);

// A fixed 10 MHz frequency; the counter is monotonic.
BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency);
BOOL QueryPerformanceCounter(LARGE_INTEGER* count);
