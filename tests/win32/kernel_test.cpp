// The kernel calls on real threads.
#include <process.h>
#include <windows.h>

#include "win32/testing.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <thread>
#include <vector>

namespace {

// Starts routine(argument) with _beginthreadex; the test fails when it can't.
HANDLE start(unsigned(WINAPI* routine)(void*), void* argument, unsigned* id = nullptr) {
    uintptr_t thread = _beginthreadex(nullptr, 0, routine, argument, 0, id);
    EXPECT_NE(thread, 0u);
    return reinterpret_cast<HANDLE>(thread);
}

// A thread that waits for the test to open the gate (an event), then counts.
struct Gate {
    HANDLE open = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    std::atomic<int> passed{0};
    ~Gate() { CloseHandle(open); }
};

unsigned WINAPI wait_at_gate(void* argument) {
    Gate* gate = static_cast<Gate*>(argument);
    WaitForSingleObject(gate->open, INFINITE);
    gate->passed.fetch_add(1);
    return 0;
}

int64_t counter() {
    LARGE_INTEGER now;
    EXPECT_TRUE(QueryPerformanceCounter(&now));
    return now.QuadPart;
}

}  // namespace

TEST(KernelThread, WaitReturnsOnceTheThreadHasEnded) {
    Gate gate;
    HANDLE thread = start(wait_at_gate, &gate);
    EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_TIMEOUT);
    EXPECT_EQ(WaitForSingleObject(thread, 30), WAIT_TIMEOUT);
    EXPECT_EQ(gate.passed.load(), 0);
    SetEvent(gate.open);
    EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(gate.passed.load(), 1);
    // An ended thread stays signalled.
    EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_OBJECT_0);
    EXPECT_TRUE(CloseHandle(thread));
}

TEST(KernelThread, ClosingTheHandleOfARunningThreadLetsItFinish) {
    Gate gate;
    Gate finished;
    struct Pair {
        Gate* gate;
        Gate* finished;
    } pair{&gate, &finished};
    HANDLE thread = start(
        [](void* argument) -> unsigned {
            Pair* p = static_cast<Pair*>(argument);
            WaitForSingleObject(p->gate->open, INFINITE);
            SetEvent(p->finished->open);
            return 0;
        },
        &pair);
    EXPECT_TRUE(CloseHandle(thread));
    EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_FAILED);
    SetEvent(gate.open);
    EXPECT_EQ(WaitForSingleObject(finished.open, INFINITE), WAIT_OBJECT_0);
}

TEST(KernelThread, IdsAreDistinctAndReportedToTheStarter) {
    std::atomic<DWORD> seen{0};
    unsigned id = 0;
    HANDLE thread = start(
        [](void* argument) -> unsigned {
            static_cast<std::atomic<DWORD>*>(argument)->store(GetCurrentThreadId());
            return 0;
        },
        &seen, &id);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    EXPECT_NE(id, 0u);
    EXPECT_EQ(seen.load(), id);
    EXPECT_NE(GetCurrentThreadId(), id);
    EXPECT_EQ(GetCurrentThreadId(), GetCurrentThreadId());
}

TEST(KernelThread, UnsupportedStartArgumentsFail) {
    Gate gate;
    unsigned id = 7;
    EXPECT_EQ(_beginthreadex(nullptr, 0, wait_at_gate, &gate, 4 /* suspended */, &id), 0u);
    EXPECT_EQ(_beginthreadex(&gate, 0, wait_at_gate, &gate, 0, &id), 0u);
    EXPECT_EQ(_beginthreadex(nullptr, 0, nullptr, &gate, 0, &id), 0u);
    EXPECT_EQ(id, 7u);
}

TEST(KernelThread, PriorityIsRecordedOnly) {
    Gate gate;
    HANDLE thread = start(wait_at_gate, &gate);
    EXPECT_EQ(testing_thread_priority(thread), THREAD_PRIORITY_NORMAL);
    EXPECT_TRUE(SetThreadPriority(thread, THREAD_PRIORITY_TIME_CRITICAL));
    EXPECT_EQ(testing_thread_priority(thread), THREAD_PRIORITY_TIME_CRITICAL);
    SetEvent(gate.open);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);

    // The pseudo-handle names the calling thread.
    EXPECT_TRUE(SetThreadPriority(GetCurrentThread(), 2));
    EXPECT_EQ(testing_thread_priority(GetCurrentThread()), 2);
    std::thread other(
        [] { EXPECT_EQ(testing_thread_priority(GetCurrentThread()), THREAD_PRIORITY_NORMAL); });
    other.join();

    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    for (HANDLE bad : {HANDLE(nullptr), thread, event}) {
        EXPECT_FALSE(SetThreadPriority(bad, 1));
        EXPECT_EQ(testing_thread_priority(bad), THREAD_PRIORITY_ERROR_RETURN);
    }
    CloseHandle(event);
}

TEST(KernelMutex, IsRecursiveForItsOwner) {
    HANDLE mutex = CreateMutexA(nullptr, FALSE, nullptr);
    ASSERT_NE(mutex, nullptr);
    EXPECT_FALSE(ReleaseMutex(mutex));  // nobody owns it yet
    EXPECT_EQ(WaitForSingleObject(mutex, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);

    // Held twice: another thread gets it only after both releases.
    std::atomic<DWORD> result{WAIT_FAILED};
    auto try_take = [&](DWORD milliseconds) {
        std::thread other([&] {
            result = WaitForSingleObject(mutex, milliseconds);
            if (result == WAIT_OBJECT_0) ReleaseMutex(mutex);
        });
        other.join();
        return result.load();
    };
    EXPECT_EQ(try_take(0), WAIT_TIMEOUT);
    EXPECT_TRUE(ReleaseMutex(mutex));
    EXPECT_EQ(try_take(20), WAIT_TIMEOUT);
    EXPECT_TRUE(ReleaseMutex(mutex));
    EXPECT_FALSE(ReleaseMutex(mutex));
    EXPECT_EQ(try_take(0), WAIT_OBJECT_0);
    EXPECT_TRUE(CloseHandle(mutex));
}

TEST(KernelMutex, ReleaseByANonOwnerFails) {
    HANDLE mutex = CreateMutexA(nullptr, TRUE, nullptr);  // owned by this thread
    std::atomic<BOOL> released{TRUE};
    std::thread other([&] { released = ReleaseMutex(mutex); });
    other.join();
    EXPECT_FALSE(released.load());
    EXPECT_TRUE(ReleaseMutex(mutex));
    CloseHandle(mutex);
}

TEST(KernelMutex, WaiterTakesItWhenTheOwnerReleases) {
    HANDLE mutex = CreateMutexA(nullptr, TRUE, nullptr);
    Gate tried;
    std::atomic<DWORD> first_try{WAIT_FAILED};
    std::atomic<DWORD> result{WAIT_FAILED};
    std::thread waiter([&] {
        first_try = WaitForSingleObject(mutex, 0);
        SetEvent(tried.open);
        result = WaitForSingleObject(mutex, INFINITE);
        ReleaseMutex(mutex);
    });
    WaitForSingleObject(tried.open, INFINITE);
    EXPECT_EQ(first_try.load(), WAIT_TIMEOUT);
    // Held here, so the waiter cannot have it yet, however long it waited.
    EXPECT_EQ(result.load(), WAIT_FAILED);
    ReleaseMutex(mutex);
    waiter.join();
    EXPECT_EQ(result.load(), WAIT_OBJECT_0);
    CloseHandle(mutex);
}

TEST(KernelMutex, EndingWhileHoldingItAbandonsIt) {
    HANDLE mutex = CreateMutexA(nullptr, FALSE, nullptr);
    HANDLE thread = start(
        [](void* argument) -> unsigned {
            HANDLE m = static_cast<HANDLE>(argument);
            WaitForSingleObject(m, INFINITE);
            WaitForSingleObject(m, INFINITE);
            return 0;  // ends holding it twice
        },
        mutex);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    EXPECT_EQ(WaitForSingleObject(mutex, INFINITE), WAIT_ABANDONED);
    // Now owned once by this thread, and no longer abandoned.
    EXPECT_TRUE(ReleaseMutex(mutex));
    EXPECT_FALSE(ReleaseMutex(mutex));
    EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);
    ReleaseMutex(mutex);
    CloseHandle(mutex);
}

TEST(KernelMutex, ExcludesOtherThreads) {
    struct Shared {
        HANDLE mutex = CreateMutexA(nullptr, FALSE, nullptr);
        int count = 0;  // guarded by mutex only
        int inside = 0;
        int overlaps = 0;
    } shared;
    auto body = [](void* argument) -> unsigned {
        Shared* s = static_cast<Shared*>(argument);
        for (int i = 0; i < 2000; ++i) {
            WaitForSingleObject(s->mutex, INFINITE);
            if (++s->inside != 1) ++s->overlaps;
            ++s->count;
            --s->inside;
            ReleaseMutex(s->mutex);
        }
        return 0;
    };
    std::vector<HANDLE> threads;
    for (int i = 0; i < 4; ++i) threads.push_back(start(body, &shared));
    for (HANDLE thread : threads) {
        EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
        CloseHandle(thread);
    }
    EXPECT_EQ(shared.count, 8000);
    EXPECT_EQ(shared.overlaps, 0);
    CloseHandle(shared.mutex);
}

TEST(KernelEvent, AutoResetLetsOneWaitThroughPerSet) {
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
    EXPECT_TRUE(SetEvent(event));
    EXPECT_TRUE(SetEvent(event));  // sets do not accumulate
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
    CloseHandle(event);

    HANDLE initially_set = CreateEventA(nullptr, FALSE, TRUE, nullptr);
    EXPECT_EQ(WaitForSingleObject(initially_set, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(initially_set, 0), WAIT_TIMEOUT);
    CloseHandle(initially_set);

    HANDLE manual = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    SetEvent(manual);
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);
    CloseHandle(manual);
}

TEST(KernelEvent, SetWakesOneWaitingThread) {
    Gate gate;
    std::vector<HANDLE> threads{start(wait_at_gate, &gate), start(wait_at_gate, &gate)};
    SetEvent(gate.open);
    for (int i = 0; i < 2000 && gate.passed.load() == 0; ++i) Sleep(1);
    ASSERT_EQ(gate.passed.load(), 1);
    // An auto-reset event lets exactly one of the two through: the one that
    // passed took the signal with it, and the other waits on.
    EXPECT_EQ(WaitForSingleObject(gate.open, 0), WAIT_TIMEOUT);
    // The one that passed ends; the other, given time to, does not (a set
    // that woke both would end both).
    int ended = 0;
    for (HANDLE thread : threads) ended += WaitForSingleObject(thread, 100) == WAIT_OBJECT_0;
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(gate.passed.load(), 1);
    SetEvent(gate.open);
    for (HANDLE thread : threads) {
        EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
        CloseHandle(thread);
    }
    EXPECT_EQ(gate.passed.load(), 2);
}

TEST(KernelHandles, BadHandlesFail) {
    HANDLE mutex = CreateMutexA(nullptr, FALSE, nullptr);
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    EXPECT_TRUE(CloseHandle(mutex));
    EXPECT_FALSE(CloseHandle(mutex));
    HANDLE unknown = reinterpret_cast<HANDLE>(uintptr_t(0x12345678));
    for (HANDLE bad : {HANDLE(nullptr), mutex, unknown}) {
        EXPECT_EQ(WaitForSingleObject(bad, 0), WAIT_FAILED);
        EXPECT_EQ(WaitForSingleObject(bad, INFINITE), WAIT_FAILED);
        EXPECT_FALSE(ReleaseMutex(bad));
        EXPECT_FALSE(SetEvent(bad));
    }
    // Calls meant for another kind of object.
    EXPECT_FALSE(ReleaseMutex(event));
    HANDLE other_mutex = CreateMutexA(nullptr, FALSE, nullptr);
    EXPECT_FALSE(SetEvent(other_mutex));
    // A new object never takes over a closed handle's value.
    EXPECT_NE(other_mutex, mutex);
    CloseHandle(other_mutex);
    CloseHandle(event);
    // Named objects are not supported.
    EXPECT_EQ(CreateMutexA(nullptr, FALSE, "name"), nullptr);
    EXPECT_EQ(CreateEventA(nullptr, FALSE, FALSE, "name"), nullptr);
}

TEST(KernelHandles, ClosingWhileAnotherThreadWaitsIsSafe) {
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    Gate waiting;
    std::atomic<DWORD> result{WAIT_FAILED - 1};
    std::thread waiter([&] {
        SetEvent(waiting.open);
        result = WaitForSingleObject(event, 200);
    });
    WaitForSingleObject(waiting.open, INFINITE);
    // Most often the wait is under way by now: the close meets it.
    Sleep(20);
    CloseHandle(event);
    waiter.join();
    // A wait under way keeps its object and times out; one that begins
    // after the close finds no handle. Nothing else may happen (run under
    // the sanitizers: no use of the freed object).
    EXPECT_TRUE(result.load() == WAIT_TIMEOUT || result.load() == WAIT_FAILED) << result.load();
}

TEST(KernelSleep, WaitsAtLeastTheTimeGiven) {
    auto before = std::chrono::steady_clock::now();
    Sleep(25);
    EXPECT_GE(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(25));
    Sleep(0);
}

// Tests that switch the manual clock on leave it off again.
class KernelClock : public ::testing::Test {
protected:
    void TearDown() override { testing_set_manual_clock(false); }
};

TEST_F(KernelClock, TimeOutsUseRealTimeEvenOnTheManualClock) {
    testing_set_manual_clock(true);
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    auto before = std::chrono::steady_clock::now();
    EXPECT_EQ(WaitForSingleObject(event, 25), WAIT_TIMEOUT);
    EXPECT_GE(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(25));
    CloseHandle(event);
}

TEST(KernelPerformanceCounter, RunsMonotonicallyAtTenMegahertz) {
    LARGE_INTEGER frequency;
    EXPECT_TRUE(QueryPerformanceFrequency(&frequency));
    EXPECT_EQ(frequency.QuadPart, 10000000);
    int64_t before = counter();
    Sleep(20);
    int64_t after = counter();
    // At least the 20 ms slept, in 0.1 us ticks.
    EXPECT_GE(after - before, 200000);
    for (int i = 0; i < 1000; ++i) {
        int64_t next = counter();
        EXPECT_GE(next, after);
        after = next;
    }
}

TEST(KernelPerformanceCounter, FrequencyFailureCanBeInjected) {
    testing_fail_performance_frequency(true);
    LARGE_INTEGER frequency;
    frequency.QuadPart = 5;
    EXPECT_FALSE(QueryPerformanceFrequency(&frequency));
    EXPECT_EQ(frequency.QuadPart, 0);
    testing_fail_performance_frequency(false);
    EXPECT_TRUE(QueryPerformanceFrequency(&frequency));
}

TEST_F(KernelClock, StandsStillAndStepsExactly) {
    testing_set_manual_clock(true);
    int64_t start = counter();
    Sleep(15);
    EXPECT_EQ(counter(), start);
    testing_advance_clock_ms(16);
    EXPECT_EQ(counter(), start + 160000);
    testing_advance_clock_ms(0.00004);  // below half a tick
    EXPECT_EQ(counter(), start + 160000);
    testing_advance_clock_ms(0.00006);  // rounds to one tick
    EXPECT_EQ(counter(), start + 160001);
    for (double ignored : {-5.0, 0.0, std::nan("")}) testing_advance_clock_ms(ignored);
    EXPECT_EQ(counter(), start + 160001);
}

TEST_F(KernelClock, SaturatesInsteadOfOverflowing) {
    // In a child process: the clock stays at its end for good.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            testing_set_manual_clock(true);
            testing_advance_clock_ms(1e300);
            bool at_end = counter() == INT64_MAX;
            testing_advance_clock_ms(1);
            at_end = at_end && counter() == INT64_MAX;
            testing_set_manual_clock(false);
            Sleep(1);
            std::exit(at_end && counter() == INT64_MAX ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(KernelClock, SwitchingOffNeverRunsBackwards) {
    testing_set_manual_clock(true);
    int64_t manual = counter();
    testing_advance_clock_ms(60000);  // a minute ahead of real time
    testing_set_manual_clock(false);
    int64_t resumed = counter();
    EXPECT_GE(resumed, manual + 600000000);
    Sleep(10);
    EXPECT_GE(counter() - resumed, 100000);  // running again
    // Advancing does nothing while it is off.
    int64_t before = counter();
    testing_advance_clock_ms(60000);
    EXPECT_LT(counter() - before, 600000000);
}

TEST_F(KernelClock, IsSafeToStepFromSeveralThreads) {
    testing_set_manual_clock(true);
    int64_t start = counter();
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([] {
            for (int i = 0; i < 500; ++i) {
                testing_advance_clock_ms(1);
                counter();
            }
        });
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(counter(), start + 4 * 500 * 10000);
}
