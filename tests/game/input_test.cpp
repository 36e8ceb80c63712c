// The per-frame input state: key and button states kept across frames, the
// cursor and the events scaled to the logical resolution, events outside
// the client area marked.
#include "game/GameContext.h"
#include "platform/Input.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class InputTest : public ::testing::Test {
protected:
    InputTest() {
        context.resolution = {640, 360};
        context.window_size = {1280, 720};
    }

    void update(const std::vector<KeyEvent>& keys, const std::vector<MouseEvent>& mouse = {},
                const Vec2i& cursor = {0, 0}) {
        input.update(keys, mouse, cursor);
    }

    GameContext context;
    Input input{&context};
};

TEST_F(InputTest, StartsWithEverythingUp) {
    for (int code = 0; code < 256; ++code) EXPECT_FALSE(input.key_down(code));
    EXPECT_EQ(0, input.mouse_left + input.mouse_middle + input.mouse_right);
    EXPECT_EQ(0, input.mouse_position.x);
    EXPECT_EQ(0, input.mouse_position.y);
    EXPECT_TRUE(input.key_events.empty());
    EXPECT_TRUE(input.mouse_events.empty());
}

TEST_F(InputTest, CursorScalesToLogicalPixelsTruncatingTowardZero) {
    struct Case {
        Vec2i cursor;
        float x, y;
    };
    const Case cases[] = {
        {{1279, 719}, 639, 359},
        {{3, 3}, 1, 1},
        {{-5, 0}, -2, 0},  // left of the window: toward zero, not floor
        {{-1, -1}, 0, 0},
        {{1280, 720}, 640, 360},
        {{2000000000, 5}, 1000000000, 2},  // the product does not overflow
    };
    for (const Case& c : cases) {
        update({}, {}, c.cursor);
        EXPECT_EQ(c.x, input.mouse_position.x) << c.cursor.x;
        EXPECT_EQ(c.y, input.mouse_position.y) << c.cursor.y;
    }
}

TEST_F(InputTest, WithoutScalingPositionsPassUnchanged) {
    struct Setup {
        uint8_t scaling;
        Vec2i window;
    };
    // Scaling clear, or a window with no area.
    for (const Setup& setup : {Setup{0, {1280, 720}}, Setup{1, {0, 720}}, Setup{1, {1280, 0}}}) {
        context.logical_scaling = setup.scaling;
        context.window_size = setup.window;
        update({}, {{0, 1, 100, 50}}, {1279, 719});
        EXPECT_EQ(1279, input.mouse_position.x);
        EXPECT_EQ(719, input.mouse_position.y);
        EXPECT_EQ(100, input.mouse_events[0].x);
        EXPECT_EQ(50, input.mouse_events[0].y);
    }
}

TEST_F(InputTest, KeysFollowTheLastEventOfTheFrameAndPersist) {
    update({{65, 1}, {65, 2}});
    EXPECT_FALSE(input.key_down(65));  // down then up: up
    update({{66, 2}, {66, 1}});
    EXPECT_TRUE(input.key_down(66));  // up then down: down
    update({});
    update({});
    EXPECT_TRUE(input.key_down(66));  // held across frames without events
    update({{66, 2}});
    EXPECT_FALSE(input.key_down(66));
}

TEST_F(InputTest, KeyCodesOutsideTheTableChangeNothingAndReadAsUp) {
    update({{256, 1}, {0xFFFFFFFFu, 1}, {255, 1}});
    for (int code = 0; code < 255; ++code) EXPECT_FALSE(input.key_down(code));
    EXPECT_TRUE(input.key_down(255));
    EXPECT_FALSE(input.key_down(256));
    EXPECT_FALSE(input.key_down(0xFFFFFFFFu));
    EXPECT_EQ(3u, input.key_events.size());  // the list keeps them all
}

TEST_F(InputTest, ButtonsMapToTheirFlags) {
    update({}, {{0, 1, 10, 10}});
    EXPECT_EQ(1, input.mouse_left);
    update({}, {{1, 1, 10, 10}});
    EXPECT_EQ(1, input.mouse_right);
    EXPECT_EQ(0, input.mouse_middle);
    update({}, {{2, 1, 10, 10}});
    EXPECT_EQ(1, input.mouse_middle);
    update({}, {{0, 2, 10, 10}, {1, 2, 10, 10}, {2, 2, 10, 10}});
    EXPECT_EQ(0, input.mouse_left + input.mouse_middle + input.mouse_right);
}

TEST_F(InputTest, AWheelEventSetsNoButtonButStaysInTheList) {
    update({}, {{0, 1, 10, 10}});
    update({}, {{3, 1, 10, 10}, {4, 1, 20, 20}});
    EXPECT_EQ(1, input.mouse_left);
    EXPECT_EQ(0, input.mouse_middle + input.mouse_right);
    ASSERT_EQ(2u, input.mouse_events.size());
    EXPECT_EQ(3u, input.mouse_events[0].button);
    EXPECT_EQ(4u, input.mouse_events[1].button);
    EXPECT_EQ(1u, input.mouse_events[1].state);
}

TEST_F(InputTest, EventsOutsideTheClientAreaAreMarkedAndScaled) {
    struct Case {
        int x, y;
        uint32_t state;  // after the update
        int logical_x, logical_y;
    };
    const Case cases[] = {
        {1280, 720, 1, 640, 360},  // edges included
        {0, 0, 1, 0, 0},          {1281, 0, 0, 640, 0},    {0, 721, 0, 0, 360},
        {-1, 10, 0, 0, 5},        {639, 359, 1, 319, 179},
    };
    for (const Case& c : cases) {
        const std::vector<MouseEvent> given{{0, 1, c.x, c.y}};
        update({}, given);
        ASSERT_EQ(1u, input.mouse_events.size());
        EXPECT_EQ(c.state, input.mouse_events[0].state) << c.x << "," << c.y;
        EXPECT_EQ(c.state, input.mouse_left) << c.x << "," << c.y;
        EXPECT_EQ(c.logical_x, input.mouse_events[0].x);
        EXPECT_EQ(c.logical_y, input.mouse_events[0].y);
        EXPECT_EQ(1u, given[0].state);  // the caller's list is left alone
        EXPECT_EQ(c.x, given[0].x);
    }
}

TEST_F(InputTest, EachUpdateReplacesTheFramesEvents) {
    update({{65, 1}}, {{0, 1, 1, 1}, {0, 2, 1, 1}});
    update({{66, 1}}, {});
    ASSERT_EQ(1u, input.key_events.size());
    EXPECT_EQ(66u, input.key_events[0].code);
    EXPECT_TRUE(input.mouse_events.empty());
}

TEST_F(InputTest, ClearReleasesEverythingButKeepsTheEventLists) {
    update({{65, 1}, {255, 1}}, {{0, 1, 10, 10}, {1, 1, 10, 10}, {2, 1, 10, 10}}, {300, 300});
    input.clear();
    for (int code = 0; code < 256; ++code) EXPECT_FALSE(input.key_down(code));
    EXPECT_EQ(0, input.mouse_left + input.mouse_middle + input.mouse_right);
    EXPECT_EQ(0, input.mouse_position.x);
    EXPECT_EQ(0, input.mouse_position.y);
    // A screen reading the events while unfocused sees the last focused frame's.
    EXPECT_EQ(2u, input.key_events.size());
    EXPECT_EQ(3u, input.mouse_events.size());
}

}  // namespace
