#include "core/Mutex.h"

Mutex::Mutex() : handle(CreateMutexA(NULL, FALSE, NULL)) {}

Mutex::~Mutex() { CloseHandle(handle); }

bool Mutex::lock() { return WaitForSingleObject(handle, INFINITE) == WAIT_OBJECT_0; }

bool Mutex::unlock() { return ReleaseMutex(handle) != FALSE; }

Event::Event() : handle(CreateEventA(NULL, FALSE, FALSE, NULL)) {}

Event::~Event() { CloseHandle(handle); }

bool Event::set() { return SetEvent(handle) != FALSE; }

bool Event::wait() { return WaitForSingleObject(handle, INFINITE) == WAIT_OBJECT_0; }
