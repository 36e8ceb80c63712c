// The real game thread, run as the program runs it: this thread builds the
// window and pumps its messages as main does, the game thread starts in a
// scratch working directory holding the files each case writes, and a
// driver thread plays the user through the layer's injected input while the
// manual clock stands still unless the driver moves it. What the thread
// presents is counted on its way to the real SwapBuffers, glFinish and
// glDrawBuffer, and its passes on their way through Game::update; message
// boxes are recorded; standard output is kept. (The frame cap's arithmetic
// is frame_cap_test's; here it is seen working in the real loop.)

#include "core/Thread.h"
#include "game/GameThread.h"
#include "platform/Window.h"
#include "win32/testing.h"

#include <GL/glew.h>
#include <gtest/gtest.h>
#include <lodepng.h>
#include <unistd.h>
#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

class Game;

namespace {

std::atomic<int> swaps{0};
std::atomic<int> finishes{0};
std::atomic<int> front_buffer_switches{0};
std::atomic<int> passes{0};

}  // namespace

// The program's calls, counted and passed on (linked with --wrap).
extern "C" BOOL __real__Z11SwapBuffersP5HDC__(HDC dc);
extern "C" BOOL __wrap__Z11SwapBuffersP5HDC__(HDC dc) {
    ++swaps;
    return __real__Z11SwapBuffersP5HDC__(dc);
}
extern "C" void __real_glFinish();
extern "C" void __wrap_glFinish() {
    ++finishes;
    __real_glFinish();
}
extern "C" void __real_glDrawBuffer(GLenum mode);
extern "C" void __wrap_glDrawBuffer(GLenum mode) {
    if (mode == GL_FRONT) ++front_buffer_switches;
    __real_glDrawBuffer(mode);
}
// Game::update runs once on every pass of the main loop, before the pass
// decides whether to draw.
extern "C" void __real__ZN4Game6updateEv(Game* game);
extern "C" void __wrap__ZN4Game6updateEv(Game* game) {
    __real__ZN4Game6updateEv(game);
    ++passes;
}

namespace {

using namespace std::chrono_literals;

const char* const font_path = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf";

// Every texture the game asks for, at the sizes of its art, plus the font.
const char* const all_textures =
    "[textures]\n"
    "start_button = start_button.png\n"
    "exit_button = exit_button.png\n"
    "ship = ship.png\nbullet = bullet.png\nlaser = laser.png\n"
    "enemy1 = enemy1.png\nenemy2 = enemy2.png\nenemy3 = enemy3.png\n"
    "enemy_bullet = enemy_bullet.png\nexplosion = explosion.png\n";

struct Art {
    const char* file;
    int width, height;
};
const Art art[] = {
    {"start_button.png", 200, 50}, {"exit_button.png", 200, 50}, {"ship.png", 32, 32},
    {"bullet.png", 3, 11},         {"laser.png", 3, 23},         {"enemy1.png", 32, 32},
    {"enemy2.png", 36, 36},        {"enemy3.png", 40, 40},       {"enemy_bullet.png", 6, 6},
    {"explosion.png", 1000, 100},
};

// [pipeline] as shipped, except for the given lines, and with a client
// height of 722: the window taking that size tells the driver that start-up
// has read the settings, so the frame Timer runs and the clock may be moved.
struct Pipeline {
    std::string vsync = "vsync = 60\n";
    std::string swap_buffers = "swap buffers = 1\n";
    std::string resolution = "resolution = 640,360\n";
    std::string window_dimensions = "window dimensions = 1280,722\n";

    std::string text() const {
        return "[pipeline]\n" + vsync + swap_buffers + resolution + window_dimensions;
    }
};
const char* const key_bindings =
    "[key bindings]\n"
    "ESC = 27\nUP = 83\nLEFT = 68\nDOWN = 87\nRIGHT = 65\nSHOOT = 32\n";
const std::string shipped_config = Pipeline().text() + key_bindings;

// Client pixels (1280 x 722) of the button centres, logical (320, 125) and
// (320, 195).
const POINT over_start{640, 251};
const POINT over_exit{640, 391};

class GameThreadRun : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/quillfen_game_thread_XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(pattern));
        folder = pattern;
        previous_folder = std::filesystem::current_path();
        std::filesystem::current_path(folder);
        for (const Art& a : art) {
            const std::vector<unsigned char> pixels(a.width * a.height * 4, 255);
            ASSERT_EQ(0u, lodepng::encode(a.file, pixels, a.width, a.height));
        }
        testing_capture_message_boxes(true);
        boxes_before = testing_message_boxes().size();
        testing_set_manual_clock(true);
        // Each case is a run of the program of its own.
        app_running.store(1);
        swaps = 0;
        finishes = 0;
        front_buffer_switches = 0;
        passes = 0;
    }

    void TearDown() override {
        testing_fail_pixel_format(false);
        testing_set_manual_clock(false);
        std::filesystem::current_path(previous_folder);
        std::filesystem::remove_all(folder);
    }

    static void write(const char* name, const std::string& text) {
        std::ofstream(name, std::ios::binary) << text;
    }
    // config.txt as shipped (see Pipeline); factory.txt with every texture,
    // the font and an empty [sounds], so each sound played names itself on
    // standard output.
    static void write_game_files(const std::string& config = shipped_config) {
        write("config.txt", config);
        write("factory.txt",
              std::string(all_textures) + "[fonts]\nlucon = " + font_path + "\n[sounds]\n");
    }

    // The program's life, with the driver playing the user meanwhile.
    // Returns when the pump has ended and the game thread is gone.
    void run(const std::function<void()>& driver) {
        std::fflush(stdout);
        std::cout.flush();
        const int saved = dup(1);
        std::FILE* file = std::tmpfile();
        dup2(fileno(file), 1);

        // A registered window class lasts as long as the process and takes
        // its name from the title, so a later run in this process (a test
        // program running several cases, or repeated) needs a title of its
        // own; the game never reads it.
        static int runs = 0;
        const std::string title =
            runs++ == 0 ? std::string("Quillfen!") : "Quillfen! (run " + std::to_string(runs) + ")";
        main_window = new Window({1280, 720}, title.c_str());
        window = main_window->get_handle();
        const HANDLE thread = start_thread(game_thread);
        ASSERT_NE(nullptr, thread);
        pump_ended = false;
        std::thread user([&] {
            driver();
            // Whatever the case left running, the program must end: the
            // window's close button.
            if (!pump_ended) testing_inject_close(window);
        });
        while (app_running.load() && main_window->process_messages()) {}
        pump_ended = true;
        app_running.store(0);
        // As main does: the pump ended formally, so a late send from the
        // game thread returns instead of waiting for this thread.
        PostQuitMessage(0);
        while (main_window->process_messages()) {}
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, INFINITE));
        CloseHandle(thread);
        user.join();
        delete main_window;
        main_window = nullptr;

        std::cout.flush();
        std::fflush(stdout);
        dup2(saved, 1);
        close(saved);
        std::rewind(file);
        output.clear();
        char buffer[4096];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
            output.append(buffer, n);
        std::fclose(file);
        if (HasFailure()) std::cout << "--- the program's standard output:\n" << output;
    }

    // Waits (real time) until the condition holds or the program has ended.
    bool wait_for(const std::function<bool()>& condition, std::chrono::milliseconds limit = 20s) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (!condition()) {
            if (pump_ended || std::chrono::steady_clock::now() > end) return condition();
            std::this_thread::sleep_for(2ms);
        }
        return true;
    }
    // Waits until the game thread has run two more passes. The second of
    // them began after this call, so the frame cap has looked at the clock,
    // and the pass has drawn if it was due, at least once since then.
    bool two_more_passes() {
        const int from = passes.load();
        return wait_for([&] { return passes.load() >= from + 2; });
    }
    // The message boxes of this run.
    std::vector<TestingMessageBox> boxes() const {
        std::vector<TestingMessageBox> all = testing_message_boxes();
        all.erase(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(boxes_before));
        return all;
    }

    bool started(int client_height = 722) {
        return wait_for([&] { return main_window->get_client_size().y == client_height; });
    }
    bool play_screen() { return testing_cursor_clip(nullptr); }

    void move_to(POINT at) { testing_inject_motion(window, at.x, at.y, 1, 1); }
    // Pressed long enough for the game thread to see it, then released.
    void click(POINT at) {
        move_to(at);
        std::this_thread::sleep_for(50ms);
        testing_inject_button(window, TestingButton::left, true);
        std::this_thread::sleep_for(50ms);
        testing_inject_button(window, TestingButton::left, false);
    }
    void start_playing() {
        click(over_start);
        ASSERT_TRUE(wait_for([&] { return play_screen(); })) << "no play screen";
    }

    // 2.4 s of play time with the SHOOT key of the defaults held, in steps
    // of 60 ms that each wait for the three frames they are due, so the
    // game takes every step in passes of its own.
    void hold_space_for_play_time() {
        testing_inject_key(window, "Space", true);
        std::this_thread::sleep_for(50ms);
        for (int step = 0; step < 40; ++step) {
            const int before = swaps.load();
            testing_advance_clock_ms(60);
            ASSERT_TRUE(wait_for([&] { return swaps.load() >= before + 3; }));
        }
        testing_inject_key(window, "Space", false);
    }

    size_t count(const std::string& line) const {
        size_t n = 0;
        for (size_t at = output.find(line); at != std::string::npos; at = output.find(line, at + 1))
            ++n;
        return n;
    }

    std::filesystem::path folder;
    std::filesystem::path previous_folder;
    size_t boxes_before = 0;
    HWND window = NULL;
    std::atomic<bool> pump_ended{false};
    std::string output;
};

// Start-up failures: each its one box, and the program ends by itself.
struct Failure {
    const char* name;
    std::function<void()> prepare;
    const char* box;
    const char* line;  // on standard output before it, or null
};

// The cases keep gtest's numbered names: test discovery names each ctest
// test after the printed parameter (".../NoConfig") only for a numbered one,
// and keeps the whole "# GetParam() = ..." comment in the name otherwise.
void PrintTo(const Failure& failure, std::ostream* out) { *out << failure.name; }

class StartupFailure : public GameThreadRun, public ::testing::WithParamInterface<Failure> {};

TEST_P(StartupFailure, ShowsExactlyItsOneBoxAndTheProgramEnds) {
    const Failure& failure = GetParam();
    failure.prepare();
    run([] {});
    const std::vector<TestingMessageBox> shown = boxes();
    ASSERT_EQ(1u, shown.size());
    EXPECT_EQ(failure.box, shown[0].text);
    EXPECT_EQ("Error", shown[0].caption);
    EXPECT_EQ(unsigned(MB_ICONEXCLAMATION), shown[0].type);
    EXPECT_EQ(0, swaps.load());
    if (failure.line) {
        EXPECT_NE(std::string::npos, output.find(failure.line)) << output;
    }
    // Nothing got as far as the Game: "music" was never played.
    EXPECT_EQ(std::string::npos, output.find("Sound::play_sound")) << output;
}

INSTANTIATE_TEST_SUITE_P(
    GameThread, StartupFailure,
    ::testing::Values(
        Failure{"NoConfig",
                [] { std::ofstream("factory.txt") << "[textures]\nship = missing.png\n"; },
                "Could not load \"config.txt\"", nullptr},
        Failure{"NoFactory", [] { std::ofstream("config.txt") << shipped_config; },
                "Could not load \"factory.txt\"", nullptr},
        Failure{"FactoryWithoutSounds",
                [] {
                    std::ofstream("config.txt") << shipped_config;
                    std::ofstream("factory.txt")
                        << all_textures << "[fonts]\nlucon = " << font_path << "\n";
                },
                "Could not load sounds", "[!] Sound::load: Could not find [sounds] section\n"},
        Failure{"MissingTextureFile",
                [] {
                    std::ofstream("config.txt") << shipped_config;
                    std::ofstream("factory.txt")
                        << "[textures]\nship = images/ship.png\n"
                        << "[fonts]\nlucon = " << font_path << "\n[sounds]\n";
                },
                "Could not load graphics",
                "[!] Graphics::import_png: \"images/ship.png\" could not be found.\n"},
        Failure{"NoPixelFormat",
                [] {
                    std::ofstream("config.txt") << shipped_config;
                    testing_fail_pixel_format(true);
                },
                "Could not create pixel format", nullptr}));

TEST_F(GameThreadRun, TheExitButtonEndsTheProgram) {
    write_game_files();
    run([&] {
        ASSERT_TRUE(started());
        testing_advance_clock_ms(100);  // a few frames to show the title screen
        move_to(over_exit);
        std::this_thread::sleep_for(50ms);
        testing_inject_button(window, TestingButton::left, true);
        // The game thread clears app_running and wakes the pump itself:
        // nothing else comes to this window.
        EXPECT_TRUE(wait_for([&] { return pump_ended.load(); }, 5s)) << "the pump sleeps on";
    });
    EXPECT_TRUE(boxes().empty());
    EXPECT_GT(swaps.load(), 0);
    EXPECT_EQ(1u, count("[!] Sound::play_sound: \"music\" could not be found.\n"));
}

TEST_F(GameThreadRun, TheEscKeyReturnsToTheTitleScreen) {
    write_game_files();
    run([&] {
        ASSERT_TRUE(started());
        start_playing();
        testing_inject_key(window, "Escape", true);
        EXPECT_TRUE(wait_for([&] { return !play_screen(); })) << "still on the play screen";
        testing_inject_key(window, "Escape", false);
        // A fresh title screen, answering a new start.
        start_playing();
    });
    EXPECT_EQ(2u, count("[!] Sound::play_sound: \"level up\" could not be found.\n"));
}

// The frame cap in the real loop: with the clock standing still, only the
// driver's steps make time pass, so each step's frames can be counted. 59.9
// frames per second cap at 59: an interval of 16.949... ms.
TEST_F(GameThreadRun, AVsyncOf59Point9CapsAt59AndABacklogIsWorkedOffOnePassAFrame) {
    Pipeline settings;
    settings.vsync = "vsync = 59.9\n";
    write_game_files(settings.text() + key_bindings);
    run([&] {
        ASSERT_TRUE(started());
        ASSERT_TRUE(two_more_passes());
        EXPECT_EQ(0, swaps.load());
        // A second at once, as a slow start-up leaves it: 59 intervals (60
        // at a cap of 60), drawn without the clock moving again.
        testing_advance_clock_ms(1000.5);
        EXPECT_TRUE(wait_for([] { return swaps.load() >= 59; }));
        ASSERT_TRUE(two_more_passes());
        EXPECT_EQ(59, swaps.load());
        // About 0.5 ms were left; 16.4 more are over 1000 / 60 but under
        // 1000 / 59.
        testing_advance_clock_ms(16.4);
        ASSERT_TRUE(two_more_passes());
        EXPECT_EQ(59, swaps.load());
        testing_advance_clock_ms(0.1);
        EXPECT_TRUE(wait_for([] { return swaps.load() == 60; }));
        ASSERT_TRUE(two_more_passes());
        EXPECT_EQ(60, swaps.load());
    });
}

TEST_F(GameThreadRun, WithoutSwapBuffersFramesGoToTheFrontBuffer) {
    Pipeline settings;
    settings.swap_buffers = "";
    write_game_files(settings.text() + key_bindings);
    run([&] {
        ASSERT_TRUE(started());
        testing_advance_clock_ms(100.5);
        EXPECT_TRUE(wait_for([] { return front_buffer_switches.load() == 6; }));
        ASSERT_TRUE(two_more_passes());
    });
    EXPECT_EQ(0, swaps.load());
    EXPECT_EQ(6, front_buffer_switches.load());
    EXPECT_EQ(6, finishes.load());
    EXPECT_EQ(1u, count("[!] Could not find key [pipeline] swap buffers\n"));
}

TEST_F(GameThreadRun, WithoutKeyBindingsTheDefaultsApplyAfterOneWarning) {
    write_game_files(Pipeline().text());
    run([&] {
        ASSERT_TRUE(started());
        start_playing();
        // SHOOT is the space bar: held, the ship fires every 210 ms.
        hold_space_for_play_time();
        // ESC is the escape key.
        testing_inject_key(window, "Escape", true);
        EXPECT_TRUE(wait_for([&] { return !play_screen(); }));
    });
    EXPECT_EQ(1u, count("[!] Warning [key bindings] section could no be found, using defaults\n"));
    EXPECT_GE(count("[!] Sound::play_sound: \"gun\" could not be found.\n"), 9u);
}

TEST_F(GameThreadRun, AMissingShootKeyReadsAsCodeZero) {
    write_game_files(Pipeline().text() +
                     "[key bindings]\nESC = 27\nUP = 83\nLEFT = 68\nDOWN = 87\nRIGHT = 65\n");
    run([&] {
        ASSERT_TRUE(started());
        start_playing();
        hold_space_for_play_time();
    });
    EXPECT_EQ(1u, count("[!] Could not find key [key bindings] SHOOT\n"));
    // At most the shot of the start click, whose button was still down when
    // the play screen began.
    EXPECT_LE(count("[!] Sound::play_sound: \"gun\" could not be found.\n"), 1u);
    EXPECT_TRUE(boxes().empty());
}

TEST_F(GameThreadRun, AResolutionWithOneNumberGivesZeroByZeroTargets) {
    Pipeline settings;
    settings.vsync = "vsync = 0\n";
    settings.resolution = "resolution = 800\n";
    write_game_files(settings.text() + key_bindings);
    run([&] {
        ASSERT_TRUE(started());
        // The loop goes on drawing.
        EXPECT_TRUE(wait_for([] { return swaps.load() >= 5; }));
    });
    EXPECT_EQ(3u, count("[!] FBO not ready\n"));
}

// A side beyond what GL can hold is clamped to it: complete targets, and a
// game that runs (the driver would abort on the side as given).
TEST_F(GameThreadRun, AResolutionBeyondWhatGlHoldsIsClampedToIt) {
    Pipeline settings;
    settings.vsync = "vsync = 0\n";
    settings.resolution = "resolution = 2147483647,360\n";
    write_game_files(settings.text() + key_bindings);
    run([&] {
        ASSERT_TRUE(started());
        EXPECT_TRUE(wait_for([] { return swaps.load() >= 5; }));
    });
    EXPECT_EQ(0u, count("FBO not ready"));
}

TEST_F(GameThreadRun, WindowDimensionsSetTheClientSizeApartFromTheResolution) {
    Pipeline settings;
    settings.resolution = "resolution = 1280,720\n";
    settings.window_dimensions = "window dimensions = 640,360\n";
    write_game_files(settings.text() + key_bindings);
    run([&] {
        EXPECT_TRUE(wait_for([&] {
            const Vec2i size = main_window->get_client_size();
            return size.x == 640 && size.y == 360;
        }));
    });
    EXPECT_EQ(0u, count("FBO not ready"));
}

}  // namespace
