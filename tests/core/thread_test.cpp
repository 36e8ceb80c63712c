// Thread start records, Mutex and Event on real threads.
#include "core/Mutex.h"
#include "core/Thread.h"

#include <process.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

std::atomic<int> calls_without_argument{0};

}  // namespace

TEST(AppRunning, StartsSet) { EXPECT_EQ(app_running.load(), 1); }

TEST(ThreadStart, CallsTheBodyWithItsArgumentAndFreesTheRecord) {
    std::atomic<int> value{0};
    auto body = [](void* argument) { static_cast<std::atomic<int>*>(argument)->store(42); };
    // Called directly: the exit code is 0 and the record is gone (the leak
    // and double-free checkers of the sanitizer builds see to the latter).
    EXPECT_EQ(thread_start(new ThreadStartRecord{body, &value}), 0u);
    EXPECT_EQ(value.load(), 42);

    value = 0;
    HANDLE thread = start_thread(body, &value);
    EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
    CloseHandle(thread);
    EXPECT_EQ(value.load(), 42);
}

TEST(ThreadStart, WithoutArgument) {
    calls_without_argument = 0;
    auto body = [] { calls_without_argument.fetch_add(1); };
    EXPECT_EQ(thread_start_without_argument(new ThreadStartRecordWithoutArgument{body}), 0u);
    HANDLE thread = reinterpret_cast<HANDLE>(
        _beginthreadex(NULL, 0, thread_start_without_argument,
                       new ThreadStartRecordWithoutArgument{body}, 0, nullptr));
    ASSERT_NE(thread, nullptr);
    SetThreadPriority(thread, THREAD_PRIORITY_TIME_CRITICAL);
    EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
    CloseHandle(thread);
    EXPECT_EQ(calls_without_argument.load(), 2);
}

TEST(MutexLock, IsRecursiveAndOwnedByOneThread) {
    Mutex mutex;
    EXPECT_FALSE(mutex.unlock());
    EXPECT_TRUE(mutex.lock());
    EXPECT_TRUE(mutex.lock());
    std::atomic<bool> foreign_unlock{true};
    std::thread other([&] { foreign_unlock = mutex.unlock(); });
    other.join();
    EXPECT_FALSE(foreign_unlock.load());
    EXPECT_TRUE(mutex.unlock());
    EXPECT_TRUE(mutex.unlock());
    EXPECT_FALSE(mutex.unlock());
}

TEST(MutexLock, GuardsSharedDataAcrossThreads) {
    struct Shared {
        Mutex mutex;
        std::vector<int> items;  // guarded by mutex only
    } shared;
    auto body = [](void* argument) {
        Shared* s = static_cast<Shared*>(argument);
        for (int i = 0; i < 1000; ++i) {
            s->mutex.lock();
            s->mutex.lock();  // nested, as callers holding it call helpers that take it
            s->items.push_back(i);
            s->mutex.unlock();
            s->mutex.unlock();
        }
    };
    std::vector<HANDLE> threads;
    for (int i = 0; i < 4; ++i) threads.push_back(start_thread(body, &shared));
    for (HANDLE thread : threads) {
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
    }
    EXPECT_EQ(shared.items.size(), 4000u);
}

TEST(MutexLock, AnAbandonedLockCountsAsNotAcquiredButIsOwned) {
    Mutex mutex;
    HANDLE thread = start_thread([](void* m) { static_cast<Mutex*>(m)->lock(); }, &mutex);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    EXPECT_FALSE(mutex.lock());
    EXPECT_TRUE(mutex.unlock());
    EXPECT_TRUE(mutex.lock());
    EXPECT_TRUE(mutex.unlock());
}

TEST(MutexLockGuard, HoldsTheMutexForItsScopeOnly) {
    Mutex mutex;
    {
        MutexLock hold(mutex);
        // This thread owns it: the guard took it. (Taken again at once, for
        // the guard to give back.)
        EXPECT_TRUE(mutex.unlock());
        EXPECT_TRUE(mutex.lock());
    }
    EXPECT_FALSE(mutex.unlock());  // given back at the end of the scope
    // Another thread takes it at once (it would wait for ever were it held).
    std::atomic<bool> taken{false};
    std::thread other([&] {
        taken = mutex.lock();
        mutex.unlock();
    });
    other.join();
    EXPECT_TRUE(taken.load());
}

TEST(EventSignal, LetsOneWaitThroughPerSet) {
    Event event;
    std::atomic<int> woken{0};
    struct Shared {
        Event* event;
        std::atomic<int>* woken;
    } shared{&event, &woken};
    HANDLE thread = start_thread(
        [](void* argument) {
            Shared* s = static_cast<Shared*>(argument);
            if (s->event->wait()) s->woken->fetch_add(1);
        },
        &shared);
    EXPECT_EQ(WaitForSingleObject(thread, 20), WAIT_TIMEOUT);
    EXPECT_EQ(woken.load(), 0);
    EXPECT_TRUE(event.set());
    EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
    CloseHandle(thread);
    EXPECT_EQ(woken.load(), 1);
    EXPECT_TRUE(event.set());
    EXPECT_TRUE(event.wait());
}
