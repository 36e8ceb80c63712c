// The Window and its real window procedure, driven through platform events
// injected into the layer (the road real input takes) on a real SDL window.
// The test's thread is the window thread; each test runs in its own process
// on its own X server.
#include "platform/Window.h"

#include "win32/testing.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

// Found by argument-dependent lookup, so beside the types (global).
static bool operator==(const KeyEvent& a, const KeyEvent& b) {
    return a.code == b.code && a.state == b.state;
}
static bool operator==(const MouseEvent& a, const MouseEvent& b) {
    return a.button == b.button && a.state == b.state && a.x == b.x && a.y == b.y;
}
static bool operator==(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
static void PrintTo(const KeyEvent& e, std::ostream* os) {
    *os << "{" << e.code << ", " << e.state << "}";
}
static void PrintTo(const MouseEvent& e, std::ostream* os) {
    *os << "{" << e.button << ", " << e.state << ", " << e.x << ", " << e.y << "}";
}
static void PrintTo(const RECT& r, std::ostream* os) {
    *os << "{" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << "}";
}

namespace {

// Dispatches everything that is waiting, the injected events included.
void pump() {
    MSG message;
    while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

RECT window_rect(HWND handle) {
    RECT rect{};
    GetWindowRect(handle, &rect);
    return rect;
}

DEVMODEA display() {
    DEVMODEA mode{};
    EnumDisplaySettingsA(NULL, ENUM_CURRENT_SETTINGS, &mode);
    return mode;
}

// Every test starts from the layer as a fresh process has it. Window classes
// outlive their windows, so each window gets a title of its own.
class FreshLayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing_reset_user_layer();
        static int titles = 0;
        title = String("Test") + String::from_int(titles++);
        count_before = Window::count();
    }

    // The class name a window made now gets.
    std::string class_name(int count) const {
        return std::string("ruDed::") + title.c_str() + "_" + std::to_string(count);
    }

    String title;
    int count_before = 0;
};

class WindowTest : public FreshLayerTest {
protected:
    void SetUp() override {
        FreshLayerTest::SetUp();
        // The pointer waits in a corner, outside the window about to open
        // in the middle of the screen, so no real motion reaches it.
        const DEVMODEA mode = display();
        ASSERT_GT(mode.dmPelsWidth, 0u);
        SetCursorPos(static_cast<int>(mode.dmPelsWidth) - 1,
                     static_cast<int>(mode.dmPelsHeight) - 1);
        window = std::make_unique<Window>(Vec2i{320, 200}, title);
        handle = window->get_handle();
        ASSERT_NE(handle, nullptr);
        pump();  // the window's own appearance: focus, size
        window->take_changed();
        ASSERT_TRUE(window->is_active());
    }

    // The Window leaves its platform window to the end of the process; the
    // next test wants the display to itself.
    void TearDown() override {
        window.reset();
        DestroyWindow(handle);
    }

    std::unique_ptr<Window> window;
    HWND handle = NULL;
};

TEST_F(WindowTest, KeysQueueTheirVirtualKeyCodesDownRepeatAndUp) {
    const struct {
        const char* name;
        uint32_t code;
    } keys[] = {{"A", 'A'},    {"Z", 'Z'},         {"0", '0'},         {"9", '9'},  {"Escape", 27},
                {"Space", 32}, {"Return", 13},     {"Left", 37},       {"Up", 38},  {"Right", 39},
                {"Down", 40},  {"Left Shift", 16}, {"Right Ctrl", 17}, {"F1", 112}, {"F12", 123}};
    for (const auto& key : keys) {
        SCOPED_TRACE(key.name);
        ASSERT_TRUE(testing_inject_key(handle, key.name, true));
        ASSERT_TRUE(testing_inject_key(handle, key.name, true, true));
        ASSERT_TRUE(testing_inject_key(handle, key.name, false));
        pump();
        const std::vector<KeyEvent> expected{{key.code, 1}, {key.code, 1}, {key.code, 2}};
        EXPECT_EQ(window->take_key_events(), expected);
        EXPECT_TRUE(window->take_key_events().empty());  // taken once
    }
}

TEST_F(WindowTest, SystemKeysAreNotQueued) {
    testing_inject_key(handle, "Left Alt", true);
    testing_inject_key(handle, "F", true, false, true);
    testing_inject_key(handle, "F", false, false, true);
    testing_inject_key(handle, "Left Alt", false);
    testing_inject_key(handle, "F10", true);
    pump();
    EXPECT_TRUE(window->take_key_events().empty());
}

TEST_F(WindowTest, ButtonsQueueAtTheCursorOfTheLastRawInput) {
    testing_inject_motion(handle, 10, 20, 3, 4);
    for (TestingButton button :
         {TestingButton::left, TestingButton::right, TestingButton::middle}) {
        testing_inject_button(handle, button, true);
        testing_inject_button(handle, button, false);
    }
    pump();
    const std::vector<MouseEvent> expected{{0, 1, 10, 20}, {0, 2, 10, 20}, {1, 1, 10, 20},
                                           {1, 2, 10, 20}, {2, 1, 10, 20}, {2, 2, 10, 20}};
    EXPECT_EQ(window->take_mouse_events(), expected);
    EXPECT_TRUE(window->take_mouse_events().empty());
    const Vec2i motion = window->take_raw_motion();
    EXPECT_EQ(motion.x, 3);
    EXPECT_EQ(motion.y, 4);
}

TEST_F(WindowTest, WheelTurnsAboveOneNineteenAreButtonThreeAllOthersFour) {
    const struct {
        float notches;
        uint32_t button;
    } turns[] = {{1, 3}, {2, 3}, {-1, 4}, {0.5f, 4}, {-0.5f, 4}};
    for (const auto& turn : turns) {
        SCOPED_TRACE(turn.notches);
        testing_inject_wheel(handle, turn.notches);
        pump();
        const std::vector<MouseEvent> expected{{turn.button, 1, 0, 0}};
        EXPECT_EQ(window->take_mouse_events(), expected);
    }
}

TEST_F(WindowTest, AClickBeforeAnyMotionIsAtTheOrigin) {
    testing_inject_button(handle, TestingButton::left, true);
    pump();
    const std::vector<MouseEvent> expected{{0, 1, 0, 0}};
    EXPECT_EQ(window->take_mouse_events(), expected);
}

TEST_F(WindowTest, RawInputInTheBackgroundChangesNothing) {
    testing_inject_focus(handle, false);
    testing_inject_motion(handle, 50, 60, 7, 8);
    testing_inject_button(handle, TestingButton::left, true);
    pump();
    EXPECT_FALSE(window->is_active());
    const std::vector<MouseEvent> background{{0, 1, 0, 0}};
    EXPECT_EQ(window->take_mouse_events(), background);
    EXPECT_EQ(window->take_raw_motion().x, 0);

    testing_inject_focus(handle, true);
    testing_inject_motion(handle, 57, 68, 7, 8);
    testing_inject_button(handle, TestingButton::left, true);
    pump();
    EXPECT_TRUE(window->is_active());
    const std::vector<MouseEvent> foreground{{0, 1, 57, 68}};
    EXPECT_EQ(window->take_mouse_events(), foreground);
    EXPECT_EQ(window->take_raw_motion().x, 7);
}

TEST_F(WindowTest, RawInputThatCannotBeReadAddsNoMotion) {
    testing_inject_motion(handle, 5, 5, 2, 2);
    pump();
    window->take_raw_motion();
    // A handle the layer never gave out.
    PostMessageA(handle, WM_INPUT, RIM_INPUT, 123456789);
    pump();
    const Vec2i motion = window->take_raw_motion();
    EXPECT_EQ(motion.x, 0);
    EXPECT_EQ(motion.y, 0);
}

TEST_F(WindowTest, MousePositionIsRelativeToTheClientArea) {
    testing_inject_motion(handle, 0, 0, 0, 0);
    pump();
    Vec2i position = window->get_mouse_position();
    EXPECT_EQ(position.x, 0);
    EXPECT_EQ(position.y, 0);
    testing_inject_motion(handle, -5, 7, 0, 0);
    pump();
    position = window->get_mouse_position();
    EXPECT_EQ(position.x, -5);
    EXPECT_EQ(position.y, 7);
}

TEST_F(WindowTest, TheCursorIsNotMovedWhileInactive) {
    testing_inject_focus(handle, false);
    pump();
    const Vec2i before = window->get_screen_cursor_position();
    window->set_cursor_position({before.x - 10, before.y - 10});
    const Vec2i after = window->get_screen_cursor_position();
    EXPECT_EQ(after.x, before.x);
    EXPECT_EQ(after.y, before.y);
}

TEST_F(WindowTest, FocusLossReleasesAHiddenClippedCursorAndGainRestoresIt) {
    window->hide_cursor();
    window->clip_cursor();
    RECT client{};
    GetClientRect(handle, &client);
    POINT corner{0, 0};
    ClientToScreen(handle, &corner);
    const RECT expected{corner.x, corner.y, corner.x + client.right, corner.y + client.bottom};
    RECT clip{};
    ASSERT_TRUE(testing_cursor_clip(&clip));
    EXPECT_EQ(clip, expected);
    EXPECT_EQ(testing_cursor_display_count(), -1);

    testing_inject_focus(handle, false);
    pump();
    EXPECT_FALSE(window->is_active());
    EXPECT_FALSE(testing_cursor_clip(nullptr));
    EXPECT_EQ(testing_cursor_display_count(), 0);

    testing_inject_focus(handle, true);
    pump();
    EXPECT_TRUE(window->is_active());
    ASSERT_TRUE(testing_cursor_clip(&clip));
    EXPECT_EQ(clip, expected);
    EXPECT_EQ(testing_cursor_display_count(), -1);
}

TEST_F(WindowTest, AMerelyClippedCursorKeepsTheDisplayCounter) {
    window->clip_cursor();
    for (int round = 0; round < 3; ++round) {
        testing_inject_focus(handle, false);
        pump();
        EXPECT_FALSE(testing_cursor_clip(nullptr));
        testing_inject_focus(handle, true);
        pump();
        EXPECT_TRUE(testing_cursor_clip(nullptr));
    }
    EXPECT_EQ(testing_cursor_display_count(), 0);
    window->unclip_cursor();
    EXPECT_FALSE(testing_cursor_clip(nullptr));
}

TEST_F(WindowTest, FullscreenCoversTheDisplayAndLeavingRestoresTheWindow) {
    const RECT framed = window_rect(handle);
    const Vec2i client = window->get_client_size();
    const DEVMODEA mode = display();

    window->enter_fullscreen();
    EXPECT_TRUE(window->is_fullscreen());
    EXPECT_TRUE(window->take_changed());
    const RECT screen{0, 0, static_cast<LONG>(mode.dmPelsWidth),
                      static_cast<LONG>(mode.dmPelsHeight)};
    EXPECT_EQ(window_rect(handle), screen);
    EXPECT_EQ(window->get_client_size().x, window->get_screen_size().x);
    EXPECT_EQ(window->get_client_size().y, window->get_screen_size().y);
    EXPECT_EQ(GetWindowLongA(handle, GWL_STYLE), 0x16000000);
    pump();

    window->leave_fullscreen();
    EXPECT_FALSE(window->is_fullscreen());
    EXPECT_TRUE(window->take_changed());
    EXPECT_EQ(window_rect(handle), framed);
    EXPECT_EQ(window->get_client_size().x, client.x);
    EXPECT_EQ(window->get_client_size().y, client.y);
    EXPECT_EQ(GetWindowLongA(handle, GWL_STYLE), 0x10CF0000);
    pump();
    EXPECT_EQ(window_rect(handle), framed);
}

TEST_F(WindowTest, FullscreenIsMinimisedOnFocusLossAndEnteredAgainOnGain) {
    window->enter_fullscreen();
    pump();
    testing_inject_focus(handle, false);
    pump();
    EXPECT_TRUE(testing_window_minimised(handle));
    EXPECT_TRUE(window->is_fullscreen());

    testing_inject_focus(handle, true);
    pump();
    EXPECT_FALSE(testing_window_minimised(handle));
    const DEVMODEA mode = display();
    const RECT screen{0, 0, static_cast<LONG>(mode.dmPelsWidth),
                      static_cast<LONG>(mode.dmPelsHeight)};
    EXPECT_EQ(window_rect(handle), screen);
}

TEST_F(WindowTest, SetClientSizeGivesExactlyTheAskedClientArea) {
    EXPECT_EQ(window->get_client_size().x, 320);
    EXPECT_EQ(window->get_client_size().y, 200);

    window->set_client_size({640, 360});
    EXPECT_EQ(window->get_client_size().x, 640);
    EXPECT_EQ(window->get_client_size().y, 360);
    const RECT outer = window_rect(handle);
    EXPECT_EQ(outer.right - outer.left, 640 + 16);
    EXPECT_EQ(outer.bottom - outer.top, 360 + 39);
    EXPECT_TRUE(window->take_changed());
    pump();  // the display server's answer changes nothing
    EXPECT_EQ(window->get_client_size().x, 640);
    EXPECT_EQ(window->get_client_size().y, 360);

    window->set_client_size({640, 360});
    EXPECT_EQ(window_rect(handle), outer);
    EXPECT_FALSE(window->take_changed());
}

TEST_F(WindowTest, StyleModeTwoChangesNothing) {
    const RECT outer = window_rect(handle);
    const LONG style = GetWindowLongA(handle, GWL_STYLE);
    window->set_style(2);
    EXPECT_EQ(window_rect(handle), outer);
    EXPECT_EQ(GetWindowLongA(handle, GWL_STYLE), style);
    EXPECT_FALSE(window->take_changed());

    window->set_style(1);
    EXPECT_EQ(GetWindowLongA(handle, GWL_STYLE), 0x16000000);
    EXPECT_EQ(window_rect(handle), outer);
    EXPECT_TRUE(window->take_changed());
}

TEST_F(WindowTest, AResizeByTheUserIsTakenOnce) {
    testing_inject_resize(handle, 300, 150);
    pump();
    EXPECT_EQ(window->get_client_size().x, 300);
    EXPECT_EQ(window->get_client_size().y, 150);
    EXPECT_TRUE(window->take_changed());
    EXPECT_FALSE(window->take_changed());
}

TEST_F(WindowTest, TheCloseButtonEndsThePumpWithoutDestroyingTheWindow) {
    EXPECT_FALSE(testing_screen_saver_active());
    testing_inject_close(handle);
    while (window->process_messages()) {}
    EXPECT_TRUE(testing_screen_saver_active());
    RECT rect;
    EXPECT_TRUE(GetWindowRect(handle, &rect));
}

TEST_F(WindowTest, TheClassNameCarriesTheTitleAndTheWindowCount) {
    WNDCLASSEXA taken{};
    taken.cbSize = sizeof(taken);
    taken.lpfnWndProc = DefWindowProcA;
    taken.hInstance = GetModuleHandleA(NULL);
    const std::string first = class_name(count_before);
    taken.lpszClassName = first.c_str();
    EXPECT_EQ(RegisterClassExA(&taken), 0);  // the first window's
    EXPECT_EQ(Window::count(), count_before + 1);
    {
        Window second({100, 100}, title);
        ASSERT_NE(second.get_handle(), nullptr);
        EXPECT_EQ(Window::count(), count_before + 2);
        const std::string second_name = class_name(count_before + 1);
        taken.lpszClassName = second_name.c_str();
        EXPECT_EQ(RegisterClassExA(&taken), 0);  // the second's
        const std::string free_name = class_name(count_before + 2);
        taken.lpszClassName = free_name.c_str();
        EXPECT_NE(RegisterClassExA(&taken), 0);
        const HWND second_handle = second.get_handle();
        DestroyWindow(second_handle);
    }
}

TEST_F(WindowTest, ErrorWithTheNullStringShowsNoBoxAndStillEnds) {
    std::thread game([this] { window->error(String()); });
    while (window->process_messages()) {}
    game.join();
    EXPECT_TRUE(testing_message_boxes().empty());
    EXPECT_TRUE(testing_screen_saver_active());
    EXPECT_TRUE(testing_window_minimised(handle));
}

TEST_F(WindowTest, ErrorWithAnEmptyStringShowsAnEmptyBox) {
    std::thread game([this] { window->error(String("")); });
    while (window->process_messages()) {}
    game.join();
    const std::vector<TestingMessageBox> boxes = testing_message_boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "");
    EXPECT_EQ(boxes[0].caption, "Error");
    EXPECT_EQ(boxes[0].type, static_cast<UINT>(MB_ICONEXCLAMATION));
}

TEST_F(WindowTest, ErrorAfterThePumpHasEndedReturnsAtOnce) {
    testing_inject_close(handle);
    while (window->process_messages()) {}
    std::thread game([this] { window->error(String("Late")); });
    game.join();  // hangs if the send waits for a pump that is gone
    ASSERT_EQ(testing_message_boxes().size(), 1u);
}

// The game thread's use of the window, all at once, while the main thread
// pumps: every event arrives once and in order (run under tsan).
TEST_F(WindowTest, TheGameThreadTakesEveryEventWhileThePumpRuns) {
    constexpr int presses = 300;
    std::atomic<bool> injected{false};
    std::vector<KeyEvent> keys;
    std::vector<MouseEvent> buttons;
    std::thread game([&] {
        bool last_pass = false;
        while (!last_pass) {
            last_pass = injected.load();
            window->get_client_size();
            window->get_mouse_position();
            if (window->is_active())
                window->clip_cursor();
            else
                window->unclip_cursor();
            for (const KeyEvent& event : window->take_key_events()) keys.push_back(event);
            for (const MouseEvent& event : window->take_mouse_events()) buttons.push_back(event);
        }
        window->set_client_size({400, 300});
        PostMessageA(window->get_handle(), WM_USER, 0, 0);
    });
    for (int i = 0; i < presses; ++i) {
        testing_inject_key(handle, "Space", true);
        testing_inject_key(handle, "Space", false);
        testing_inject_motion(handle, i % 100, i % 50, 1, 1);
        testing_inject_button(handle, TestingButton::left, true);
        pump();
    }
    pump();
    injected = true;
    MSG message;
    do {
        ASSERT_TRUE(GetMessageA(&message, NULL, 0, 0));
        DispatchMessageA(&message);
    } while (message.message != WM_USER);
    game.join();

    ASSERT_EQ(keys.size(), 2u * presses);
    ASSERT_EQ(buttons.size(), static_cast<size_t>(presses));
    for (int i = 0; i < presses; ++i) {
        EXPECT_EQ(keys[2 * i].state, 1u);
        EXPECT_EQ(keys[2 * i + 1].state, 2u);
        EXPECT_EQ(buttons[i].x, i % 100);
    }
    EXPECT_EQ(window->take_raw_motion().x, presses);
    EXPECT_EQ(window->get_client_size().x, 400);
    EXPECT_EQ(window->get_client_size().y, 300);
}

// Where a user leaves the pointer: over the window, which appears under it.
// The platform makes raw input only from the mouse itself, so neither the
// window's appearance nor a programmatic cursor move moves anything here.
class WindowUnderThePointerTest : public FreshLayerTest {
protected:
    void SetUp() override {
        FreshLayerTest::SetUp();
        // The pointer rests in the middle of the display, where the window
        // is about to open.
        const DEVMODEA mode = display();
        ASSERT_GT(mode.dmPelsWidth, 0u);
        SetCursorPos(static_cast<int>(mode.dmPelsWidth) / 2,
                     static_cast<int>(mode.dmPelsHeight) / 2);
        window = std::make_unique<Window>(Vec2i{320, 200}, title);
        handle = window->get_handle();
        ASSERT_NE(handle, nullptr);
        pump();  // the window's own appearance: focus, size, the pointer's entry
        ASSERT_TRUE(window->is_active());
        const Vec2i inside = window->get_mouse_position();
        const Vec2i client = window->get_client_size();
        ASSERT_TRUE(inside.x > 0 && inside.x < client.x && inside.y > 0 && inside.y < client.y)
            << "the pointer is not over the window";
    }

    void TearDown() override {
        window.reset();
        DestroyWindow(handle);
    }

    // A click with no motion since: where the layer last saw the pointer.
    std::vector<MouseEvent> click() {
        testing_inject_button(handle, TestingButton::left, true);
        pump();
        return window->take_mouse_events();
    }

    std::unique_ptr<Window> window;
    HWND handle = NULL;
};

TEST_F(WindowUnderThePointerTest, AWindowAppearingUnderThePointerMakesNoRawInput) {
    const Vec2i motion = window->take_raw_motion();
    EXPECT_EQ(motion.x, 0);
    EXPECT_EQ(motion.y, 0);
    const std::vector<MouseEvent> at_origin{{0, 1, 0, 0}};
    EXPECT_EQ(click(), at_origin);
}

TEST_F(WindowUnderThePointerTest, MovingTheCursorFromTheProgramMakesNoRawInput) {
    POINT corner{0, 0};
    ClientToScreen(handle, &corner);
    window->set_cursor_position({corner.x + 30, corner.y + 40});
    pump();
    const Vec2i moved_to = window->get_mouse_position();
    EXPECT_EQ(moved_to.x, 30);
    EXPECT_EQ(moved_to.y, 40);
    const Vec2i motion = window->take_raw_motion();
    EXPECT_EQ(motion.x, 0);
    EXPECT_EQ(motion.y, 0);
    const std::vector<MouseEvent> at_origin{{0, 1, 0, 0}};
    EXPECT_EQ(click(), at_origin);

    // The mouse itself still makes raw input.
    testing_inject_motion(handle, 35, 45, 5, 5);
    pump();
    EXPECT_EQ(window->take_raw_motion().x, 5);
    const std::vector<MouseEvent> moved{{0, 1, 35, 45}};
    EXPECT_EQ(click(), moved);
}

// The constructor's failures: one box each, no handle, and the pump ends at
// once instead of waiting for a message that never comes.
class WindowFailureTest : public FreshLayerTest {
protected:
    void expect_failure(const char* text) {
        {
            Window window({320, 200}, title);
            EXPECT_EQ(window.get_handle(), nullptr);
            EXPECT_FALSE(window.process_messages());
            EXPECT_EQ(Window::count(), count_before);
            const std::vector<TestingMessageBox> boxes = testing_message_boxes();
            ASSERT_EQ(boxes.size(), 1u);
            EXPECT_EQ(boxes[0].text, text);
            EXPECT_EQ(boxes[0].caption, "Error");
            EXPECT_TRUE(testing_screen_saver_active());
        }
        EXPECT_EQ(Window::count(), count_before - 1);  // counted down all the same
    }
};

TEST_F(WindowFailureTest, ClassRegistration) {
    testing_fail_register_class(true);
    expect_failure("Class registration failed!");
}

TEST_F(WindowFailureTest, WindowCreation) {
    testing_fail_create_window(true);
    expect_failure("Window creation failed!");
}

TEST_F(WindowFailureTest, RawInputRegistration) {
    testing_fail_register_raw_input(true);
    expect_failure("Input device registration failed!");
}

}  // namespace
