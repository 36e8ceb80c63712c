// The frame cap against its function: how many passes draw once a given
// time has passed at once, the clock standing still afterwards.
#include "game/FrameCap.h"
#include "win32/testing.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

// Passes that draw until one does not; every_pass when none of a thousand
// stops.
constexpr int every_pass = -1;

int draws_after(int32_t cap, double elapsed_ms, double& accumulator, Timer& frame_timer) {
    testing_advance_clock_ms(elapsed_ms);
    for (int pass = 0; pass < 1000; ++pass)
        if (!frame_due(accumulator, cap, frame_timer)) return pass;
    return every_pass;
}

class FrameCap : public ::testing::Test {
protected:
    void SetUp() override { testing_set_manual_clock(true); }
    void TearDown() override { testing_set_manual_clock(false); }
};

TEST_F(FrameCap, DrawsWhenTheAccumulatedTimeIsStrictlyAboveTheInterval) {
    struct Row {
        int32_t cap;
        double elapsed_ms;
        int draws;
    };
    const Row rows[] = {
        {60, 0, 0},
        {60, 16.6666, 0},  // under 16.666...
        {60, 16.6667, 1},
        {50, 20, 0},  // exactly one interval is not enough
        {50, 20.0001, 1},
        {59, 16.9, 0},  // over 1000 / 60, under 1000 / 59
        {59, 17, 1},
        {1, 1000, 0},
        {1, 1000.0001, 1},
        // A stall of two seconds, as a slow start-up leaves it: one frame per
        // pass until no more than one interval is left.
        {60, 2000.5, 120},
        {60, 2016.7, 121},
        {0, 0, every_pass},
        {0, 5000, every_pass},
        {-3, 0, every_pass},
    };
    for (const Row& row : rows) {
        Timer frame_timer;
        double accumulator = 0;
        EXPECT_EQ(row.draws, draws_after(row.cap, row.elapsed_ms, accumulator, frame_timer))
            << row.cap << " per second after " << row.elapsed_ms << " ms";
    }
}

TEST_F(FrameCap, WithoutACapTheFrameTimerIsNeverLapped) {
    Timer frame_timer;
    double accumulator = 0;
    testing_advance_clock_ms(40);
    EXPECT_TRUE(frame_due(accumulator, 0, frame_timer));
    EXPECT_EQ(0, accumulator);
    // The 40 ms are still there for a first lap.
    EXPECT_EQ(40, frame_timer.lap());
}

TEST_F(FrameCap, TheRemainderCarriesOverToTheNextFrame) {
    Timer frame_timer;
    double accumulator = 0;
    EXPECT_EQ(1, draws_after(60, 17, accumulator, frame_timer));
    EXPECT_NEAR(17 - 1000.0 / 60, accumulator, 1e-9);
    // 16.4 ms more make 16.733..., above one interval.
    EXPECT_EQ(1, draws_after(60, 16.4, accumulator, frame_timer));
    EXPECT_EQ(0, draws_after(60, 16.5, accumulator, frame_timer));
}

TEST_F(FrameCap, ANotANumberAccumulatorNeverDraws) {
    Timer frame_timer;
    double accumulator = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(0, draws_after(60, 1000, accumulator, frame_timer));
}

}  // namespace
