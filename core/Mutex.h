// Locks on the kernel's mutex and event objects.
#pragma once

#include <windows.h>

// An unnamed Win32 mutex: owned by one thread at a time and taken again by
// its owner (every lock needs its unlock).
class Mutex {
public:
    Mutex();
    ~Mutex();
    Mutex(const Mutex&) = delete;
    Mutex& operator=(const Mutex&) = delete;

    // Waits without time-out; true when acquired (false for an abandoned
    // mutex, which is nevertheless owned by the caller afterwards).
    bool lock();
    // True when the caller owned it.
    bool unlock();

private:
    HANDLE handle;
};

// Holds a Mutex for the guard's scope.
class MutexLock {
public:
    explicit MutexLock(Mutex& held) : mutex(held) { mutex.lock(); }
    ~MutexLock() { mutex.unlock(); }
    MutexLock(const MutexLock&) = delete;
    MutexLock& operator=(const MutexLock&) = delete;

private:
    Mutex& mutex;
};

// An unnamed automatic-reset event, initially not signalled: each set lets
// exactly one wait through.
class Event {
public:
    Event();
    ~Event();
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    bool set();
    // Waits without time-out; true when signalled.
    bool wait();

private:
    HANDLE handle;
};
