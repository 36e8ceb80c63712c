// The state machine and the title screen, drawn for real: the buttons'
// layout and colours read back from the window after the text renderer has
// composited them, clicks switching the state, the play screen made on the
// pass after the start click, the ESC-bound key and the high score.
#include "world_stage.h"

#include "audio/Sound.h"
#include "game/Game.h"
#include "game/GameContext.h"
#include "graphics/Graphics.h"
#include "platform/Input.h"

#include <GL/glew.h>
#include <gtest/gtest.h>
#include <lodepng.h>
#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <string>

namespace {

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Rgb& c) {
    return out << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}

const Rgb black{0, 0, 0};
const Rgb white{255, 255, 255};
const Rgb green{0, 255, 0};

const std::string level_up_line = "[!] Sound::play_sound: \"level up\" could not be found.\n";

class MenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(stage.ready()) << "no GL context (run under Xvfb)";
        graphics = new Graphics();
        context.graphics = graphics;
        context.sound = new Sound();
        context.input = new Input(&context);
        set_resolution({640, 360});
        testing::internal::CaptureStdout();
        game = new Game(&context);
        std::cout.flush();
        construction_output = testing::internal::GetCapturedStdout();
    }

    void TearDown() override {
        delete context.graphics;
        delete context.sound;
        delete context.input;
        delete game;
    }

    // Solid white button art of the game's size, made for this test.
    void add_buttons(bool start = true, bool exit = true) {
        const std::filesystem::path folder =
            std::filesystem::temp_directory_path() / ("quillfen_menu_" + std::to_string(getpid()));
        std::filesystem::create_directories(folder);
        const std::vector<unsigned char> pixels(200 * 50 * 4, 255);
        for (const char* name : {"start_button", "exit_button"}) {
            if ((name[0] == 's' && !start) || (name[0] == 'e' && !exit)) continue;
            const std::string path = (folder / (std::string(name) + ".png")).string();
            ASSERT_EQ(0u, lodepng::encode(path, pixels, 200, 50));
            ASSERT_TRUE(graphics->import_png(path.c_str(), name));
        }
        std::filesystem::remove_all(folder);
    }

    // A logical size drawn 1:1 onto the stage's window.
    void set_resolution(const Vec2i& size) {
        context.resolution = size;
        context.window_size = size;
        for (Renderer* renderer :
             {&context.field_renderer, &context.bar_renderer, &context.text_renderer}) {
            renderer->create_target(size, false);
            renderer->set_window_size(size);
            renderer->set_display_size({float(size.x), float(size.y)});
            renderer->set_scaling(true);
        }
    }

    // One main-loop pass's worth of input, set as Input::update leaves it.
    void point(float x, float y, std::vector<MouseEvent> events = {}) {
        context.input->mouse_position = {x, y};
        context.input->mouse_events = events;
    }
    void press_at(float x, float y) { point(x, y, {{0, 1, int(x), int(y)}}); }

    // Game::update; what it wrote to standard output.
    std::string update() {
        testing::internal::CaptureStdout();
        game->update();
        std::cout.flush();
        return testing::internal::GetCapturedStdout();
    }

    // Draws the frame's title-screen layer onto the window.
    void draw() {
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        game->draw();
        context.text_renderer.render();
        glFinish();
        context.field_renderer.clear();
        context.bar_renderer.clear();
        context.text_renderer.clear();
    }

    // A pixel of the window, in logical pixels from the top-left.
    Rgb pixel(int x, int y) {
        unsigned char rgba[4] = {};
        glReadBuffer(GL_BACK);
        glReadPixels(x, context.window_size.y - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
        return {rgba[0], rgba[1], rgba[2]};
    }

    void expect_button_at(int x, int y, const Rgb& colour) {
        EXPECT_EQ(colour, pixel(x, y)) << "top-left " << x << "," << y;
        EXPECT_EQ(colour, pixel(x + 199, y + 49)) << "bottom-right of " << x << "," << y;
        EXPECT_EQ(black, pixel(x - 1, y)) << "left of " << x << "," << y;
        EXPECT_EQ(black, pixel(x, y - 1)) << "above " << x << "," << y;
        EXPECT_EQ(black, pixel(x + 200, y + 49)) << "right of " << x << "," << y;
        EXPECT_EQ(black, pixel(x + 199, y + 50)) << "below " << x << "," << y;
    }

    void expect_no_buttons() {
        EXPECT_EQ(black, pixel(320, 125));
        EXPECT_EQ(black, pixel(320, 195));
    }

    GlStage stage;
    GameContext context;
    Graphics* graphics = nullptr;
    Game* game = nullptr;
    std::string construction_output;
};

TEST_F(MenuTest, TheGamePlaysMusicAndMakesNoScreenUntilItsFirstUpdate) {
    EXPECT_EQ("[!] Sound::play_sound: \"music\" could not be found.\n", construction_output);
    add_buttons();
    draw();
    expect_no_buttons();
    update();
    draw();
    expect_button_at(220, 100, white);
}

TEST_F(MenuTest, ButtonsAreCentredWithTheExitButtonTwentyPixelsBelowStart) {
    add_buttons();
    point(0, 0);
    context.cursor_clip = 1;
    EXPECT_EQ("", update());
    EXPECT_EQ(0, context.cursor_clip);  // the cursor is free on the title screen
    EXPECT_EQ(0, context.screen_rect.x1);
    EXPECT_EQ(0, context.screen_rect.y1);
    EXPECT_EQ(640, context.screen_rect.x2);
    EXPECT_EQ(360, context.screen_rect.y2);
    draw();
    expect_button_at(220, 100, white);
    expect_button_at(220, 170, white);
}

TEST_F(MenuTest, AnOddWidthIsHalvedInWholePixels) {
    add_buttons();
    set_resolution({641, 360});
    // With half 320 the start button spans 220 to 420; with 320.5 the mouse
    // at x 220 would be off it.
    point(220, 100);
    update();
    draw();
    EXPECT_EQ(green, pixel(320, 125));
    EXPECT_EQ(white, pixel(320, 195));
}

TEST_F(MenuTest, AButtonIsGreenOnlyWhileTheMouseIsOverIt) {
    add_buttons();
    struct Case {
        float x, y;
        Rgb start, exit;
    };
    const Case cases[] = {
        {320, 125, green, white},    {220, 100, green, white},  // edges count as inside
        {420, 150, green, white},    {421, 150, white, white}, {320, 160, white, white},
        {320, 170, white, green},    {420, 220, white, green}, {320, 221, white, white},
        {219.5f, 125, white, white},
    };
    for (const Case& c : cases) {
        point(c.x, c.y);
        update();
        draw();
        EXPECT_EQ(c.start, pixel(320, 125)) << c.x << "," << c.y;
        EXPECT_EQ(c.exit, pixel(320, 195)) << c.x << "," << c.y;
    }
}

TEST_F(MenuTest, AStartClickSwitchesAtOnceAndThePlayScreenComesOnTheNextPass) {
    add_buttons();
    point(100, 100);
    update();
    press_at(300, 120);
    EXPECT_EQ("", update());  // no play screen yet
    EXPECT_EQ(0, context.quit_requested);
    EXPECT_EQ(0, context.cursor_clip);
    draw();
    expect_no_buttons();  // state 1 without a play screen draws nothing

    point(300, 120);
    const std::string output = update();
    EXPECT_NE(std::string::npos, output.find(level_up_line)) << output;
    EXPECT_EQ(1, context.cursor_clip);  // the play screen's first update ran
    draw();
    expect_no_buttons();
}

TEST_F(MenuTest, ReleasesOtherButtonsWheelsAndOutsidePressesDoNothing) {
    add_buttons();
    const std::vector<MouseEvent> events = {
        {0, 2, 300, 120}, {1, 1, 300, 120}, {2, 1, 300, 120},
        {3, 1, 300, 120}, {4, 1, 300, 120}, {0, 0, 300, 120},  // state 0: outside the window
    };
    point(300, 120, events);
    update();
    point(300, 190, events);
    update();
    point(300, 120);
    EXPECT_EQ(std::string::npos, update().find(level_up_line));
    EXPECT_EQ(0, context.quit_requested);
    EXPECT_EQ(0, context.cursor_clip);
    draw();
    expect_button_at(220, 100, green);
    expect_button_at(220, 170, white);
}

TEST_F(MenuTest, APressOnlyCountsWhereTheMouseIsNow) {
    add_buttons();
    // The event's own coordinates lie on start; the pass's mouse is off both.
    point(10, 10, {{0, 1, 300, 120}});
    update();
    point(10, 10);
    EXPECT_EQ(std::string::npos, update().find(level_up_line));
    draw();
    expect_button_at(220, 100, white);
}

TEST_F(MenuTest, AnExitClickRequestsTheQuitAndStaysOnTheTitleScreen) {
    add_buttons();
    press_at(300, 190);
    update();
    EXPECT_EQ(1, context.quit_requested);
    point(300, 190);
    EXPECT_EQ(std::string::npos, update().find(level_up_line));
    draw();
    expect_button_at(220, 100, white);
    expect_button_at(220, 170, green);
}

TEST_F(MenuTest, TheEscKeyReturnsToAFreshTitleScreenInTheSamePass) {
    add_buttons();
    context.key_esc = 27;
    press_at(300, 120);
    update();
    point(300, 120);
    update();
    ASSERT_EQ(1, context.cursor_clip);

    // Held, not only pressed: one pass takes the state back, builds the
    // Menu, drops the play screen and runs the Menu.
    context.input->keys[27] = 1;
    point(300, 190);
    update();
    EXPECT_EQ(0, context.cursor_clip);
    draw();
    expect_button_at(220, 100, white);
    expect_button_at(220, 170, green);
    // Holding it on the title screen changes nothing.
    update();
    draw();
    expect_button_at(220, 100, white);

    // The fresh Menu has no result yet; a new start builds a new play screen.
    context.input->keys[27] = 0;
    press_at(300, 120);
    update();
    point(300, 120);
    EXPECT_NE(std::string::npos, update().find(level_up_line));
}

TEST_F(MenuTest, AStartClickWithEscHeldWaitsForTheKeyToBeReleased) {
    add_buttons();
    context.input->keys[27] = 1;
    press_at(300, 120);
    update();
    // The old Menu still holds its start result, so each pass ends in the
    // play state without a play screen.
    point(300, 120);
    for (int pass = 0; pass < 3; ++pass) {
        EXPECT_EQ(std::string::npos, update().find(level_up_line)) << pass;
        EXPECT_EQ(0, context.cursor_clip);
        draw();
        expect_no_buttons();
    }
    context.input->keys[27] = 0;
    EXPECT_NE(std::string::npos, update().find(level_up_line));
    EXPECT_EQ(1, context.cursor_clip);
}

TEST_F(MenuTest, AKeyCodeOutsideTheTableNeverReturnsToTheTitleScreen) {
    add_buttons();
    context.key_esc = 256 + 27;
    context.input->keys[27] = 1;
    press_at(300, 120);
    update();
    point(300, 120);
    update();
    update();
    EXPECT_EQ(1, context.cursor_clip);
}

TEST_F(MenuTest, AMissingStartTextureLeavesAPointAndMovesExitUp) {
    add_buttons(false, true);
    const std::string output = update();
    EXPECT_EQ("[!] Graphics::get_texture: Could not find \"start_button\"\n", output);
    draw();
    expect_button_at(220, 120, white);
    // The start button is the single point (320, 100).
    press_at(320, 100);
    update();
    point(320, 100);
    EXPECT_NE(std::string::npos, update().find(level_up_line));
}

TEST_F(MenuTest, EveryReturnToTheTitleScreenLooksTheTexturesUpAgain) {
    context.key_esc = 27;
    EXPECT_EQ(
        "[!] Graphics::get_texture: Could not find \"start_button\"\n"
        "[!] Graphics::get_texture: Could not find \"exit_button\"\n",
        update());
    EXPECT_EQ("", update());
    press_at(320, 100);
    update();
    point(0, 0);
    update();
    // A store tells each missing name once: a fresh one shows the lookups.
    delete context.graphics;
    graphics = new Graphics();
    context.graphics = graphics;
    context.input->keys[27] = 1;
    EXPECT_NE(std::string::npos,
              update().find("[!] Graphics::get_texture: Could not find \"exit_button\"\n"));
}

TEST(GameHighScore, KeepsTheLargestScoreOfTheRun) {
    GameContext context;
    Sound sound;
    context.sound = &sound;
    testing::internal::CaptureStdout();
    Game game(&context);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(0, game.high_score());
    game.set_high_score(-5);
    EXPECT_EQ(0, game.high_score());
    game.set_high_score(120);
    EXPECT_EQ(120, game.high_score());
    game.set_high_score(119);
    EXPECT_EQ(120, game.high_score());
    game.set_high_score(121);
    EXPECT_EQ(121, game.high_score());
}

}  // namespace
