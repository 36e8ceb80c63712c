// The window half of the platform layer at the level of its calls: the
// translation of platform events into messages, raw input, geometry, the
// queues and sending across threads. A recording window procedure stands in
// for the engine's. Each test runs in its own process on its own X server.
#include <windows.h>

#include "win32/testing.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Seen {
    std::thread::id thread;
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
};

std::mutex seen_lock;
std::vector<Seen> seen;
std::atomic<bool> destroy_again_on_destroy{false};
std::atomic<int> inner_destroy_result{-1};

constexpr UINT doubled = WM_USER + 1;  // answered with twice its wParam
constexpr UINT wake_up = WM_USER + 2;

LRESULT CALLBACK recording_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    {
        std::lock_guard<std::mutex> hold(seen_lock);
        seen.push_back({std::this_thread::get_id(), message, wparam, lparam});
    }
    if (message == doubled) return static_cast<LRESULT>(wparam * 2);
    if (message == WM_DESTROY && destroy_again_on_destroy)
        inner_destroy_result = DestroyWindow(window);
    return DefWindowProcA(window, message, wparam, lparam);
}

std::vector<Seen> take_seen(UINT only = 0) {
    std::lock_guard<std::mutex> hold(seen_lock);
    std::vector<Seen> taken;
    for (const Seen& one : seen)
        if (only == 0 || one.message == only) taken.push_back(one);
    seen.clear();
    return taken;
}

// Every waiting message, dispatched; returned for a look at its fields.
std::vector<MSG> pump() {
    std::vector<MSG> got;
    MSG message;
    while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
        got.push_back(message);
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return got;
}

std::vector<MSG> only(const std::vector<MSG>& messages, UINT first, UINT last) {
    std::vector<MSG> kept;
    for (const MSG& message : messages)
        if (message.message >= first && message.message <= last) kept.push_back(message);
    return kept;
}

// Pumps with the blocking GetMessageA until the wake_up message arrives.
void pump_until_woken() {
    MSG message;
    do {
        ASSERT_EQ(GetMessageA(&message, NULL, 0, 0), TRUE);
        DispatchMessageA(&message);
    } while (message.message != wake_up);
}

// Window classes outlive their windows: a name of its own for each one a
// test registers, so tests run one after the other in one process.
std::string fresh_class_name() {
    static int made = 0;
    return "layer test " + std::to_string(made++);
}

// Every test starts from the layer as a fresh process has it, whatever the
// tests before it in this process left (a direct run, --gtest_repeat).
class LayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing_reset_user_layer();
        destroy_again_on_destroy = false;

        DEVMODEA mode{};
        ASSERT_TRUE(EnumDisplaySettingsA(NULL, ENUM_CURRENT_SETTINGS, &mode));
        SetCursorPos(static_cast<int>(mode.dmPelsWidth) - 1,
                     static_cast<int>(mode.dmPelsHeight) - 1);
        WNDCLASSEXA window_class{};
        window_class.cbSize = sizeof(window_class);
        window_class.lpfnWndProc = recording_procedure;
        window_class.lpszClassName = class_name.c_str();
        ASSERT_NE(RegisterClassExA(&window_class), 0);
        window = CreateWindowExA(0, class_name.c_str(), "Layer", WS_VISIBLE | WS_OVERLAPPEDWINDOW,
                                 100, 100, 400, 300, NULL, NULL, NULL, NULL);
        ASSERT_NE(window, nullptr);
        RAWINPUTDEVICE mouse{HID_USAGE_PAGE_GENERIC, HID_USAGE_GENERIC_MOUSE, RIDEV_INPUTSINK,
                             window};
        ASSERT_TRUE(RegisterRawInputDevices(&mouse, 1, sizeof(mouse)));
        pump();
        take_seen();
    }

    // What a test left alive goes, so the next one has the display alone.
    void TearDown() override {
        destroy_again_on_destroy = false;
        for (HWND made : {window, other_window}) DestroyWindow(made);
        pump();
        take_seen();
    }

    const std::string class_name = fresh_class_name();
    HWND window = NULL;
    HWND other_window = NULL;
};

TEST_F(LayerTest, KeysBecomeKeyMessagesWithTheirFlags) {
    ASSERT_TRUE(testing_inject_key(window, "A", true));
    ASSERT_TRUE(testing_inject_key(window, "A", true, true));
    ASSERT_TRUE(testing_inject_key(window, "A", false));
    EXPECT_FALSE(testing_inject_key(window, "no such key", true));
    const std::vector<MSG> keys = only(pump(), WM_KEYDOWN, WM_SYSKEYUP);
    ASSERT_EQ(keys.size(), 3u);
    const struct {
        UINT message;
        DWORD flags;
    } expected[] = {
        {WM_KEYDOWN, 1}, {WM_KEYDOWN, 1 | 1u << 30}, {WM_KEYUP, 1 | 1u << 30 | 1u << 31}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(keys[i].hwnd, window);
        EXPECT_EQ(keys[i].message, expected[i].message);
        EXPECT_EQ(keys[i].wParam, static_cast<WPARAM>('A'));
        EXPECT_EQ(static_cast<DWORD>(keys[i].lParam), expected[i].flags);
        EXPECT_TRUE(TranslateMessage(&keys[i]));
    }
}

TEST_F(LayerTest, AltCombinationsAreSystemKeys) {
    testing_inject_key(window, "Left Alt", true);
    testing_inject_key(window, "F", true, false, true);
    testing_inject_key(window, "F", false, false, true);
    testing_inject_key(window, "Left Alt", false);
    testing_inject_key(window, "F10", true);
    const std::vector<MSG> keys = only(pump(), WM_KEYDOWN, WM_SYSKEYUP);
    const struct {
        UINT message;
        WPARAM code;
    } expected[] = {{WM_SYSKEYDOWN, VK_MENU},
                    {WM_SYSKEYDOWN, 'F'},
                    {WM_SYSKEYUP, 'F'},
                    {WM_SYSKEYUP, VK_MENU},
                    {WM_SYSKEYDOWN, VK_F10}};
    ASSERT_EQ(keys.size(), 5u);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(keys[i].message, expected[i].message) << i;
        EXPECT_EQ(keys[i].wParam, expected[i].code) << i;
    }
    EXPECT_NE(keys[1].lParam & (1 << 29), 0);  // Alt held
}

TEST_F(LayerTest, ButtonsCarryTheClientPositionAndTheWheelOneHundredTwentyPerNotch) {
    testing_inject_motion(window, 30, 40, 0, 0);
    testing_inject_button(window, TestingButton::left, true);
    testing_inject_button(window, TestingButton::left, false);
    testing_inject_button(window, TestingButton::right, true);
    testing_inject_button(window, TestingButton::right, false);
    testing_inject_button(window, TestingButton::middle, true);
    testing_inject_button(window, TestingButton::middle, false);
    const std::vector<MSG> buttons = only(pump(), WM_LBUTTONDOWN, WM_MBUTTONUP);
    const UINT expected[] = {WM_LBUTTONDOWN, WM_LBUTTONUP,   WM_RBUTTONDOWN,
                             WM_RBUTTONUP,   WM_MBUTTONDOWN, WM_MBUTTONUP};
    ASSERT_EQ(buttons.size(), 6u);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(buttons[i].message, expected[i]);
        EXPECT_EQ(LOWORD(buttons[i].lParam), 30);
        EXPECT_EQ(HIWORD(buttons[i].lParam), 40);
    }
    EXPECT_EQ(buttons[0].wParam & MK_LBUTTON, static_cast<WPARAM>(MK_LBUTTON));

    const struct {
        float notches;
        short delta;
    } turns[] = {{1, 120}, {-1, -120}, {0.5f, 60}, {3, 360}};
    for (const auto& turn : turns) {
        testing_inject_wheel(window, turn.notches);
        const std::vector<MSG> wheel = only(pump(), WM_MOUSEWHEEL, WM_MOUSEWHEEL);
        ASSERT_EQ(wheel.size(), 1u);
        EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(wheel[0].wParam), turn.delta);
    }
}

TEST_F(LayerTest, MotionIsRawMouseInputAndMovesTheCursor) {
    testing_inject_motion(window, 12, 34, 5, -3);
    std::vector<MSG> input = only(pump(), WM_INPUT, WM_INPUT);
    ASSERT_EQ(input.size(), 1u);
    EXPECT_EQ(input[0].hwnd, window);
    EXPECT_EQ(input[0].wParam, static_cast<WPARAM>(RIM_INPUT));
    RAWINPUT raw{};
    UINT size = sizeof(raw);
    ASSERT_EQ(GetRawInputData(reinterpret_cast<HRAWINPUT>(input[0].lParam), RID_INPUT, &raw, &size,
                              sizeof(RAWINPUTHEADER)),
              sizeof(RAWINPUT));
    EXPECT_EQ(raw.header.dwType, static_cast<DWORD>(RIM_TYPEMOUSE));
    EXPECT_EQ(raw.data.mouse.usFlags, MOUSE_MOVE_RELATIVE);
    EXPECT_EQ(raw.data.mouse.lLastX, 5);
    EXPECT_EQ(raw.data.mouse.lLastY, -3);
    POINT corner{12, 34};
    ClientToScreen(window, &corner);
    POINT cursor{};
    GetCursorPos(&cursor);
    EXPECT_EQ(cursor.x, corner.x);
    EXPECT_EQ(cursor.y, corner.y);

    // In the background, registered for it: the sink code.
    testing_inject_focus(window, false);
    testing_inject_motion(window, 1, 1, 1, 1);
    input = only(pump(), WM_INPUT, WM_INPUT);
    ASSERT_EQ(input.size(), 1u);
    EXPECT_EQ(input[0].wParam, static_cast<WPARAM>(RIM_INPUTSINK));

    // Not registered for the background: nothing.
    RAWINPUTDEVICE foreground_only{HID_USAGE_PAGE_GENERIC, HID_USAGE_GENERIC_MOUSE, 0, NULL};
    ASSERT_TRUE(RegisterRawInputDevices(&foreground_only, 1, sizeof(foreground_only)));
    testing_inject_motion(window, 2, 2, 1, 1);
    EXPECT_TRUE(only(pump(), WM_INPUT, WM_INPUT).empty());
}

TEST_F(LayerTest, GetRawInputDataNeverWritesPastTheGivenSize) {
    testing_inject_motion(window, 1, 2, 3, 4);
    const std::vector<MSG> input = only(pump(), WM_INPUT, WM_INPUT);
    ASSERT_EQ(input.size(), 1u);
    const HRAWINPUT handle = reinterpret_cast<HRAWINPUT>(input[0].lParam);

    UINT size = 0;
    EXPECT_EQ(GetRawInputData(handle, RID_INPUT, nullptr, &size, sizeof(RAWINPUTHEADER)), 0u);
    EXPECT_EQ(size, sizeof(RAWINPUT));

    unsigned char buffer[sizeof(RAWINPUT) + 8];
    std::memset(buffer, 0xAB, sizeof(buffer));
    size = sizeof(RAWINPUT) - 1;
    EXPECT_EQ(GetRawInputData(handle, RID_INPUT, buffer, &size, sizeof(RAWINPUTHEADER)), UINT(-1));
    for (unsigned char byte : buffer) ASSERT_EQ(byte, 0xAB);

    size = sizeof(RAWINPUTHEADER);
    EXPECT_EQ(GetRawInputData(handle, RID_HEADER, buffer, &size, sizeof(RAWINPUTHEADER)),
              sizeof(RAWINPUTHEADER));
    EXPECT_EQ(buffer[sizeof(RAWINPUTHEADER)], 0xAB);

    size = sizeof(buffer);
    EXPECT_EQ(GetRawInputData(handle, RID_INPUT, buffer, &size, 4), UINT(-1));
    EXPECT_EQ(GetRawInputData(reinterpret_cast<HRAWINPUT>(999999), RID_INPUT, buffer, &size,
                              sizeof(RAWINPUTHEADER)),
              UINT(-1));
}

TEST_F(LayerTest, WindowEventsBecomeActivationSizeAndCloseMessages) {
    testing_inject_focus(window, false);
    testing_inject_focus(window, true);
    testing_inject_resize(window, 200, 100);
    std::vector<MSG> got = pump();
    std::vector<MSG> activation = only(got, WM_NCACTIVATE, WM_NCACTIVATE);
    ASSERT_EQ(activation.size(), 2u);
    EXPECT_EQ(activation[0].wParam, static_cast<WPARAM>(FALSE));
    EXPECT_EQ(activation[1].wParam, static_cast<WPARAM>(TRUE));
    std::vector<MSG> size = only(got, WM_SIZE, WM_SIZE);
    ASSERT_EQ(size.size(), 1u);
    EXPECT_EQ(size[0].wParam, static_cast<WPARAM>(SIZE_RESTORED));
    EXPECT_EQ(LOWORD(size[0].lParam), 200);
    EXPECT_EQ(HIWORD(size[0].lParam), 100);
    RECT client{};
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 200);
    EXPECT_EQ(client.bottom, 100);

    // The default handling of the close button destroys the window.
    testing_inject_close(window);
    got = pump();
    EXPECT_EQ(only(got, WM_CLOSE, WM_CLOSE).size(), 1u);
    EXPECT_EQ(take_seen(WM_DESTROY).size(), 1u);
    RECT rect;
    EXPECT_FALSE(GetWindowRect(window, &rect));
}

TEST_F(LayerTest, TheWindowRectangleIsTheClientAreaAndItsFrame) {
    RECT outer{};
    GetWindowRect(window, &outer);
    EXPECT_EQ(outer.left, 100);
    EXPECT_EQ(outer.top, 100);
    EXPECT_EQ(outer.right, 500);
    EXPECT_EQ(outer.bottom, 400);
    RECT client{};
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 400 - 16);
    EXPECT_EQ(client.bottom, 300 - 39);
    POINT corner{0, 0};
    ClientToScreen(window, &corner);
    EXPECT_EQ(corner.x, 108);
    EXPECT_EQ(corner.y, 131);

    // Without a frame the client area is the whole window rectangle.
    EXPECT_EQ(SetWindowLongA(window, GWL_STYLE, WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN),
              static_cast<LONG>(WS_VISIBLE | WS_OVERLAPPEDWINDOW));
    RECT same{};
    GetWindowRect(window, &same);
    EXPECT_EQ(std::memcmp(&same, &outer, sizeof(RECT)), 0);
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 400);
    EXPECT_EQ(client.bottom, 300);
    const std::vector<Seen> size = take_seen(WM_SIZE);
    ASSERT_EQ(size.size(), 1u);  // sent at once, on this thread
    EXPECT_EQ(LOWORD(size[0].lparam), 400);

    EXPECT_TRUE(SetWindowPos(window, NULL, 10, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER));
    GetWindowRect(window, &outer);
    EXPECT_EQ(outer.left, 10);
    EXPECT_EQ(outer.right, 410);
    EXPECT_TRUE(take_seen(WM_SIZE).empty());  // moved, not resized
}

TEST_F(LayerTest, MessagesSentFromOtherThreadsAreDeliveredOnTheWindowThread) {
    constexpr int senders = 4;
    constexpr int sends = 250;
    std::atomic<int> finished{0};
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < senders; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < sends; ++i) {
                const WPARAM value = static_cast<WPARAM>(t * sends + i);
                if (SendMessageA(window, doubled, value, 0) != static_cast<LRESULT>(value * 2))
                    ++wrong;
            }
            ++finished;
            PostMessageA(window, wake_up, 0, 0);
        });
    MSG message;
    while (finished < senders) {
        ASSERT_EQ(GetMessageA(&message, NULL, 0, 0), TRUE);
        DispatchMessageA(&message);
    }
    for (std::thread& thread : threads) thread.join();
    pump();
    EXPECT_EQ(wrong, 0);
    const std::vector<Seen> delivered = take_seen(doubled);
    ASSERT_EQ(delivered.size(), static_cast<size_t>(senders * sends));
    for (const Seen& one : delivered) ASSERT_EQ(one.thread, std::this_thread::get_id());
}

TEST_F(LayerTest, ASendToAnEndedPumpReturnsAtOnceUntilThePumpRunsAgain) {
    PostQuitMessage(3);
    MSG message;
    ASSERT_EQ(GetMessageA(&message, NULL, 0, 0), FALSE);
    EXPECT_EQ(message.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(message.wParam, 3u);

    LRESULT result = -1;
    std::thread late([&] { result = SendMessageA(window, doubled, 21, 0); });
    late.join();  // hangs if the send waits for the ended pump
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(take_seen(doubled).empty());

    PeekMessageA(&message, NULL, 0, 0, PM_NOREMOVE);  // the pump runs again
    std::thread again([&] {
        result = SendMessageA(window, doubled, 21, 0);
        PostMessageA(window, wake_up, 0, 0);
    });
    pump_until_woken();
    again.join();
    EXPECT_EQ(result, 42);
}

TEST_F(LayerTest, CallsFromOtherThreadsAreHandedToTheWindowThread) {
    std::thread game([&] {
        EXPECT_TRUE(SetWindowPos(window, NULL, 0, 0, 300, 200, SWP_NOMOVE | SWP_NOZORDER));
        RECT client{};
        GetClientRect(window, &client);  // the new size, at once
        EXPECT_EQ(client.right, 300 - 16);
        EXPECT_EQ(client.bottom, 200 - 39);
        EXPECT_TRUE(SetWindowTextA(window, "Renamed"));
        EXPECT_EQ(ShowCursor(FALSE), -1);
        const RECT area{5, 6, 7, 8};
        EXPECT_TRUE(ClipCursor(&area));
        PostMessageA(window, wake_up, 0, 0);
    });
    pump_until_woken();
    game.join();
    const std::vector<Seen> size = take_seen(WM_SIZE);
    ASSERT_EQ(size.size(), 1u);
    EXPECT_EQ(size[0].thread, std::this_thread::get_id());
    EXPECT_EQ(LOWORD(size[0].lparam), 300 - 16);
    RECT clip{};
    EXPECT_TRUE(testing_cursor_clip(&clip));
    EXPECT_EQ(clip.left, 5);
    EXPECT_EQ(clip.bottom, 8);
    EXPECT_EQ(testing_cursor_display_count(), -1);
}

TEST_F(LayerTest, SetWindowTextSendsTheTextToTheProcedure) {
    EXPECT_TRUE(SetWindowTextA(window, "Renamed"));
    const std::vector<Seen> text = take_seen(WM_SETTEXT);
    ASSERT_EQ(text.size(), 1u);
    EXPECT_STREQ(reinterpret_cast<const char*>(text[0].lparam), "Renamed");
}

TEST_F(LayerTest, DestroyWindowIsSafeAgainstReentryAndKillsTheHandle) {
    std::thread other([&] { EXPECT_FALSE(DestroyWindow(window)); });
    other.join();
    destroy_again_on_destroy = true;
    EXPECT_TRUE(DestroyWindow(window));
    EXPECT_EQ(inner_destroy_result, FALSE);
    EXPECT_EQ(take_seen(WM_DESTROY).size(), 1u);
    RECT rect;
    EXPECT_FALSE(GetWindowRect(window, &rect));
    EXPECT_EQ(SendMessageA(window, doubled, 1, 0), 0);
    EXPECT_FALSE(PostMessageA(window, doubled, 1, 0));
    EXPECT_FALSE(DestroyWindow(window));
    MSG message;
    EXPECT_EQ(GetMessageA(&message, window, 0, 0), -1);
}

TEST_F(LayerTest, PostedMessagesComeBeforeInputAndTheQuitMessageLast) {
    PostQuitMessage(0);
    testing_inject_key(window, "B", true);
    PostMessageA(window, wake_up, 0, 0);
    PostMessageA(NULL, doubled, 0, 0);  // a message for the thread itself
    MSG message;
    ASSERT_EQ(GetMessageA(&message, NULL, 0, 0), TRUE);
    EXPECT_EQ(message.message, wake_up);
    ASSERT_EQ(GetMessageA(&message, NULL, 0, 0), TRUE);
    EXPECT_EQ(message.message, doubled);
    EXPECT_EQ(message.hwnd, nullptr);
    for (;;) {
        const BOOL result = GetMessageA(&message, NULL, 0, 0);
        if (result == FALSE) break;
        ASSERT_EQ(result, TRUE);
        if (message.message == WM_KEYDOWN) {
            EXPECT_EQ(message.wParam, static_cast<WPARAM>('B'));
        }
    }
    EXPECT_EQ(message.message, static_cast<UINT>(WM_QUIT));
}

TEST_F(LayerTest, WindowsAreMadeOnTheWindowThreadOnly) {
    HWND elsewhere = window;
    std::thread other([&] {
        elsewhere = CreateWindowExA(0, class_name.c_str(), "Other", WS_VISIBLE, 0, 0, 50, 50, NULL,
                                    NULL, NULL, NULL);
    });
    other.join();
    EXPECT_EQ(elsewhere, nullptr);
}

TEST_F(LayerTest, FailuresCanBeInjected) {
    WNDCLASSEXA other_class{};
    other_class.cbSize = sizeof(other_class);
    other_class.lpfnWndProc = recording_procedure;
    const std::string other_name = fresh_class_name();
    other_class.lpszClassName = other_name.c_str();
    testing_fail_register_class(true);
    EXPECT_EQ(RegisterClassExA(&other_class), 0);
    testing_fail_register_class(false);
    EXPECT_NE(RegisterClassExA(&other_class), 0);
    EXPECT_EQ(RegisterClassExA(&other_class), 0);  // registered already

    testing_fail_create_window(true);
    EXPECT_EQ(CreateWindowExA(0, other_name.c_str(), "", WS_VISIBLE, 0, 0, 50, 50, NULL, NULL, NULL,
                              NULL),
              nullptr);
    testing_fail_create_window(false);
    other_window = CreateWindowExA(0, other_name.c_str(), "", WS_VISIBLE, 0, 0, 50, 50, NULL, NULL,
                                   NULL, NULL);
    EXPECT_NE(other_window, nullptr);

    RAWINPUTDEVICE mouse{HID_USAGE_PAGE_GENERIC, HID_USAGE_GENERIC_MOUSE, RIDEV_INPUTSINK, window};
    testing_fail_register_raw_input(true);
    EXPECT_FALSE(RegisterRawInputDevices(&mouse, 1, sizeof(mouse)));
    testing_fail_register_raw_input(false);
    EXPECT_TRUE(RegisterRawInputDevices(&mouse, 1, sizeof(mouse)));
    RAWINPUTDEVICE keyboard{HID_USAGE_PAGE_GENERIC, 6 /* the keyboard */, 0, NULL};
    EXPECT_FALSE(RegisterRawInputDevices(&keyboard, 1, sizeof(keyboard)));
}

TEST_F(LayerTest, MessageBoxesAreRecordedAndWrittenToStandardError) {
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(MessageBoxA(NULL, "Something broke", "Title", MB_ICONEXCLAMATION), IDOK);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Title: Something broke\n");
    const std::vector<TestingMessageBox> boxes = testing_message_boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Something broke");
    EXPECT_EQ(boxes[0].caption, "Title");
}

TEST_F(LayerTest, CursorAndScreenSaverKeepTheirState) {
    EXPECT_EQ(ShowCursor(FALSE), -1);
    EXPECT_EQ(ShowCursor(FALSE), -2);
    EXPECT_EQ(ShowCursor(TRUE), -1);
    EXPECT_EQ(testing_cursor_display_count(), -1);

    const RECT area{110, 140, 300, 250};
    EXPECT_TRUE(ClipCursor(&area));
    RECT clip{};
    EXPECT_TRUE(testing_cursor_clip(&clip));
    EXPECT_EQ(std::memcmp(&clip, &area, sizeof(RECT)), 0);
    EXPECT_TRUE(ClipCursor(NULL));
    EXPECT_FALSE(testing_cursor_clip(nullptr));

    EXPECT_TRUE(SetCursorPos(150, 160));
    POINT cursor{};
    GetCursorPos(&cursor);
    EXPECT_EQ(cursor.x, 150);
    EXPECT_EQ(cursor.y, 160);

    EXPECT_TRUE(testing_screen_saver_active());
    EXPECT_TRUE(SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, FALSE, NULL, SPIF_SENDCHANGE));
    EXPECT_FALSE(testing_screen_saver_active());
    EXPECT_TRUE(SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, TRUE, NULL, SPIF_SENDCHANGE));
    EXPECT_TRUE(testing_screen_saver_active());
    EXPECT_FALSE(SystemParametersInfoA(0x0010, 0, NULL, 0));
}

}  // namespace
