// Timers stepped exactly on the layer's manual clock.
#include "core/Timer.h"

#include <windows.h>

#include "win32/testing.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

class TimerTest : public ::testing::Test {
protected:
    void SetUp() override { testing_set_manual_clock(true); }
    void TearDown() override { testing_set_manual_clock(false); }
    static void advance(double ms) { testing_advance_clock_ms(ms); }
};

}  // namespace

TEST_F(TimerTest, LapsGiveTheTimeSinceThePreviousLap) {
    Timer timer;
    advance(16);
    EXPECT_DOUBLE_EQ(timer.lap(), 16);
    EXPECT_DOUBLE_EQ(timer.lap(), 0);  // two in quick succession
    advance(4.5);
    EXPECT_DOUBLE_EQ(timer.lap(), 4.5);
    advance(30);
    EXPECT_DOUBLE_EQ(timer.elapsed(), 50.5);  // laps do not move the start
    EXPECT_DOUBLE_EQ(timer.lap(), 30);
    timer.start(0);
    advance(7);
    EXPECT_DOUBLE_EQ(timer.lap(), 7);  // the lap base returns to 0 on start
    EXPECT_DOUBLE_EQ(timer.elapsed(), 7);
}

TEST_F(TimerTest, Countdown) {
    Timer timer(500);
    EXPECT_EQ(timer.duration(), 500);
    advance(499.9);
    EXPECT_FALSE(timer.expired());
    advance(0.1);
    EXPECT_TRUE(timer.expired());
    advance(10000);
    EXPECT_TRUE(timer.expired());  // stays expired until the next start
    timer.start(500);
    EXPECT_FALSE(timer.expired());
    advance(500);
    EXPECT_TRUE(timer.expired());
}

TEST_F(TimerTest, NoCountdownNeverExpires) {
    Timer plain;
    Timer zero(0);
    Timer negative(-5);
    Timer nan(std::nan(""));
    advance(1e9);
    for (Timer* timer : {&plain, &zero, &negative, &nan}) EXPECT_FALSE(timer->expired());
    EXPECT_EQ(plain.duration(), 0);
}

TEST_F(TimerTest, ElapsedInLargerUnits) {
    Timer timer;
    advance(2500);
    EXPECT_DOUBLE_EQ(timer.elapsed_seconds(), 2.5);
    advance(90 * 60 * 1000 - 2500);
    EXPECT_DOUBLE_EQ(timer.elapsed_minutes(), 90);
    EXPECT_DOUBLE_EQ(timer.elapsed_hours(), 1.5);
}

TEST_F(TimerTest, ReadingsFollowTheClockExactly) {
    Timer frame;
    double total = 0;
    for (int i = 0; i < 600; ++i) {
        advance(16.5);
        total += frame.lap();
    }
    EXPECT_DOUBLE_EQ(total, 600 * 16.5);
    EXPECT_DOUBLE_EQ(frame.elapsed(), 600 * 16.5);
}

TEST_F(TimerTest, FailedFrequencyQueryRunsAtOneTickPerMillisecond) {
    testing_fail_performance_frequency(true);
    testing::internal::CaptureStdout();
    Timer timer;
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "[!] Timer::Timer: QueryPerformanceFrequency failed\n");
    testing_fail_performance_frequency(false);
    advance(1);  // 10000 counter ticks
    EXPECT_DOUBLE_EQ(timer.elapsed(), 10000);
    EXPECT_TRUE(std::isfinite(timer.lap()));
}

TEST(TimerRealClock, CountsRealTime) {
    Timer timer;
    Sleep(20);
    EXPECT_GE(timer.elapsed(), 20);
}
