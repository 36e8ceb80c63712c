// The device-context and WGL calls of the platform layer on a real window:
// handles, the pixel format, contexts bound to one thread at a time, buffer
// swaps, and a context made and used on a second thread as the game thread
// does.
#include "tests/graphics/GlWindow.h"

#include <windows.h>
#include "win32/testing.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <thread>

namespace {

PIXELFORMATDESCRIPTOR game_descriptor() {
    PIXELFORMATDESCRIPTOR descriptor{};
    descriptor.nSize = sizeof(descriptor);
    descriptor.nVersion = 1;
    descriptor.dwFlags = 0x1025;
    return descriptor;
}

Rgba centre_pixel() {
    Rgba pixel;
    glReadPixels(8, 8, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, &pixel);
    return pixel;
}

TEST(Wgl, DescriptorFlagsAreThePlatforms) {
    EXPECT_EQ(PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER | PFD_GENERIC_ACCELERATED,
              0x1025);
    EXPECT_EQ(sizeof(PIXELFORMATDESCRIPTOR), 40u);
}

TEST(Wgl, DeadHandlesAreRefused) {
    GlWindow window(16, 16);
    ASSERT_TRUE(window.ready());
    const PIXELFORMATDESCRIPTOR descriptor = game_descriptor();
    EXPECT_EQ(GetDC(nullptr), nullptr);
    EXPECT_EQ(ChoosePixelFormat(nullptr, &descriptor), 0);
    EXPECT_EQ(ChoosePixelFormat(window.device(), nullptr), 0);
    EXPECT_FALSE(SetPixelFormat(nullptr, 1, &descriptor));
    EXPECT_EQ(wglCreateContext(nullptr), nullptr);
    EXPECT_FALSE(SwapBuffers(nullptr));
    EXPECT_FALSE(wglDeleteContext(nullptr));

    // A device context is released once, and only by its own window.
    HDC second = GetDC(window.handle());
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(ReleaseDC(nullptr, second), 0);
    EXPECT_EQ(ReleaseDC(window.handle(), second), 1);
    EXPECT_EQ(ReleaseDC(window.handle(), second), 0);
}

TEST(Wgl, PixelFormatIsSetOncePerWindow) {
    GlWindow window(16, 16);
    ASSERT_TRUE(window.ready());
    const PIXELFORMATDESCRIPTOR descriptor = game_descriptor();
    const int format = ChoosePixelFormat(window.device(), &descriptor);
    EXPECT_GT(format, 0);
    EXPECT_TRUE(SetPixelFormat(window.device(), format, &descriptor));
    EXPECT_FALSE(SetPixelFormat(window.device(), format + 1, &descriptor));

    // The window's format holds for every device context of it.
    HDC other = GetDC(window.handle());
    HGLRC context = wglCreateContext(other);
    EXPECT_NE(context, nullptr);
    EXPECT_TRUE(wglDeleteContext(context));
    ReleaseDC(window.handle(), other);

    GLint red_bits = 0;
    glGetIntegerv(GL_RED_BITS, &red_bits);
    EXPECT_EQ(red_bits, 8);
    GLint double_buffered = 0;
    glGetIntegerv(GL_DOUBLEBUFFER, &double_buffered);
    EXPECT_TRUE(double_buffered);
}

TEST(Wgl, MissingPixelFormatCanBeSimulated) {
    GlWindow window(16, 16);
    ASSERT_TRUE(window.ready());
    const PIXELFORMATDESCRIPTOR descriptor = game_descriptor();
    testing_fail_pixel_format(true);
    EXPECT_EQ(ChoosePixelFormat(window.device(), &descriptor), 0);
    EXPECT_FALSE(SetPixelFormat(window.device(), 1, &descriptor));
    testing_fail_pixel_format(false);
    EXPECT_EQ(ChoosePixelFormat(window.device(), &descriptor), 1);
}

TEST(Wgl, ContextWithoutPixelFormatIsRefused) {
    GlWindow window(16, 16);
    ASSERT_TRUE(window.ready());
    HWND bare = CreateWindowExA(0, "graphics test window", "bare", WS_POPUP, 0, 0, 8, 8, nullptr,
                                nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(bare, nullptr);
    HDC dc = GetDC(bare);
    EXPECT_EQ(wglCreateContext(dc), nullptr);
    ReleaseDC(bare, dc);
    DestroyWindow(bare);
}

// What the display server shows at a screen position, through ImageMagick.
Rgba screen_pixel(int x, int y) {
    const std::string command = "import -window root -crop 1x1+" + std::to_string(x) + "+" +
                                std::to_string(y) + " -depth 8 rgb:-";
    Rgba pixel{0, 0, 0, 0};
    if (FILE* pipe = popen(command.c_str(), "r")) {
        uint8_t rgb[3] = {};
        if (fread(rgb, 1, 3, pipe) == 3) pixel = Rgba{rgb[0], rgb[1], rgb[2], 255};
        pclose(pipe);
    }
    return pixel;
}

TEST(Wgl, SwapPresentsTheBackBuffer) {
    GlWindow window(16, 16);
    ASSERT_TRUE(window.ready());
    RECT outer{};
    ASSERT_TRUE(GetWindowRect(window.handle(), &outer));
    const int x = outer.left + 8;
    const int y = outer.top + 8;
    for (const Rgba colour : {Rgba{255, 0, 0, 255}, Rgba{0, 0, 255, 255}}) {
        window.clear(colour.r / 255.0f, colour.g / 255.0f, colour.b / 255.0f);
        EXPECT_TRUE(SwapBuffers(window.device()));
        glFinish();
        EXPECT_EQ(screen_pixel(x, y), colour);
    }

    // Without a current context there is nothing to present.
    EXPECT_TRUE(wglMakeCurrent(nullptr, nullptr));
    EXPECT_FALSE(SwapBuffers(window.device()));
}

TEST(Wgl, ContextIsCurrentOnOneThreadAtATime) {
    GlWindow window(16, 16);
    ASSERT_TRUE(window.ready());
    HGLRC context = wglCreateContext(window.device());
    ASSERT_NE(context, nullptr);
    ASSERT_TRUE(wglMakeCurrent(window.device(), context));

    BOOL taken_elsewhere = TRUE;
    BOOL deleted_elsewhere = TRUE;
    std::thread other([&] {
        taken_elsewhere = wglMakeCurrent(window.device(), context);
        deleted_elsewhere = wglDeleteContext(context);
    });
    other.join();
    EXPECT_FALSE(taken_elsewhere);
    EXPECT_FALSE(deleted_elsewhere);

    // Deleting the thread's own current context unbinds it.
    EXPECT_TRUE(wglDeleteContext(context));
    EXPECT_FALSE(wglDeleteContext(context));
    EXPECT_FALSE(SwapBuffers(window.device()));
}

// As on the game thread: the window belongs to this thread, the context is
// made, used and released on another.
TEST(Wgl, SecondThreadDrawsThroughItsOwnContext) {
    GlWindow window(16, 16);
    ASSERT_TRUE(window.ready());
    ASSERT_TRUE(wglMakeCurrent(nullptr, nullptr));

    Rgba drawn;
    BOOL made_current = FALSE;
    BOOL swapped = FALSE;
    BOOL released = FALSE;
    std::thread game([&] {
        HDC dc = GetDC(window.handle());
        const PIXELFORMATDESCRIPTOR descriptor = game_descriptor();
        if (!SetPixelFormat(dc, ChoosePixelFormat(dc, &descriptor), &descriptor)) return;
        HGLRC context = wglCreateContext(dc);
        made_current = wglMakeCurrent(dc, context);
        glClearColor(0, 1, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        drawn = centre_pixel();
        swapped = SwapBuffers(dc);
        released = wglMakeCurrent(nullptr, nullptr) && wglDeleteContext(context) &&
                   ReleaseDC(window.handle(), dc);
    });
    game.join();
    EXPECT_TRUE(made_current);
    EXPECT_EQ(drawn, (Rgba{0, 255, 0, 255}));
    EXPECT_TRUE(swapped);
    EXPECT_TRUE(released);
}

}  // namespace
