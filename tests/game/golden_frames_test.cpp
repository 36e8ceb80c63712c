// Golden frames: the game's own scenes drawn as the main loop draws them
// (the real Game, Menu and World with the shipped art, the three Renderers
// into 640 x 360 targets composited onto a 1280 x 720 window), read back
// with glReadPixels and compared byte for byte with the PNGs committed in
// data/golden_frames. The title screen with and without the hover, and the
// play screen at fixed points of a run from seed 3 in fixed 16 ms steps with
// scripted input: rotated enemies, bullets, explosions, debris, health bars
// and text. Any change in what reaches the screen shows here.
//
// After an intended change (game objects moving differently, say), write the
// frames anew and look at them before committing:
//   QUILLFEN_REGENERATE_GOLDEN_FRAMES=1 build/<dir>/tests/game/golden_frames_test
// (under xvfb-run, like every test that needs a GL context). A frame that
// differs is written beside the build as <name>.actual.png.
#include "world_stage.h"

#include "audio/Sound.h"
#include "game/Game.h"
#include "graphics/Text.h"
#include "platform/Input.h"
#include "win32/testing.h"

#include <gtest/gtest.h>
#include <lodepng.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

namespace {

constexpr int window_width = 1280;
constexpr int window_height = 720;
constexpr int step_ms = 16;

const std::filesystem::path source_folder = std::filesystem::path(__FILE__).parent_path();
const std::filesystem::path golden_folder = source_folder / "data" / "golden_frames";
const std::filesystem::path art_folder = source_folder / ".." / ".." / "assets" / "images";

// The play-screen frames: after how many updates of the run each is taken.
struct Checkpoint {
    const char* name;
    int update;
};
// Between them: explosions, debris, the ship's and the enemies' shots and
// up to seven turned enemies.
const Checkpoint play_checkpoints[] = {
    {"play_0001", 1},    {"play_0400", 400},  {"play_1500", 1500},
    {"play_3900", 3900}, {"play_4000", 4000}, {"play_5400", 5400},
};

bool regenerating() { return std::getenv("QUILLFEN_REGENERATE_GOLDEN_FRAMES") != nullptr; }

class GoldenFrames : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(stage.ready()) << "no GL context (run under Xvfb)";
        set_fixed_gl_state();
        glPixelStorei(GL_PACK_ALIGNMENT, 1);

        testing_set_manual_clock(true);
        rng.seed(3);
        context.graphics = std::make_unique<Graphics>();
        for (const char* name : {"ship", "bullet", "laser", "enemy1", "enemy2", "enemy3",
                                 "enemy_bullet", "explosion", "start_button", "exit_button"}) {
            const std::string path = (art_folder / (std::string(name) + ".png")).string();
            ASSERT_TRUE(context.graphics->import_png(path.c_str(), name)) << path;
        }
        ASSERT_TRUE(context.graphics->import_truetype(font_path, "lucon", 20));
        context.sound = std::make_unique<Sound>();
        context.input = std::make_unique<Input>(&context);
        context.resolution = {640, 360};
        context.window_size = {window_width, window_height};
        for (Renderer* renderer : renderers()) renderer->create_target(context.resolution, false);
        quiet([&] { game = new Game(&context); });
    }

    void TearDown() override {
        delete world;
        delete game;
        context.input.reset();
        context.sound.reset();
        context.graphics.reset();
        testing_set_manual_clock(false);
    }

    std::vector<Renderer*> renderers() {
        return {&context.field_renderer, &context.bar_renderer, &context.text_renderer};
    }

    // The empty Sound store names every sound it cannot play: not wanted here.
    template <typename Action>
    static void quiet(Action action) {
        testing::internal::CaptureStdout();
        action();
        testing::internal::GetCapturedStdout();
    }

    // One pass of the main loop: Game::update on the manual clock, then the
    // frame.
    void pass() {
        testing_advance_clock_ms(step_ms);
        quiet([&] { game->update(); });
        prepare_renderers();
        draw_frame([&] { game->draw(); });
    }

    void prepare_renderers() {
        for (Renderer* renderer : renderers()) {
            renderer->set_window_size(context.window_size);
            renderer->set_display_size({static_cast<float>(context.window_size.x),
                                        static_cast<float>(context.window_size.y)});
            renderer->set_scaling(context.logical_scaling != 0);
        }
    }

    // The frame as the game thread draws it, with queue_screen in the place
    // of Game::draw.
    template <typename Queue>
    void draw_frame(Queue queue_screen) {
        Text credit_line;
        credit_line.set_font(context.graphics->get_font("lucon"));
        credit_line.set_string("Quillfen!");
        credit_line.set_position({10, static_cast<float>(context.resolution.y) - 10});
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        context.text_renderer.draw_text(credit_line);
        queue_screen();
        for (Renderer* renderer : renderers()) renderer->render();
        glFinish();
        for (Renderer* renderer : renderers()) renderer->clear();
    }

    // The window's pixels as RGBA, top row first.
    static std::vector<unsigned char> window_pixels() {
        std::vector<unsigned char> rows(window_width * window_height * 4);
        glReadBuffer(GL_BACK);
        glReadPixels(0, 0, window_width, window_height, GL_RGBA, GL_UNSIGNED_BYTE, rows.data());
        std::vector<unsigned char> image(rows.size());
        const size_t row = window_width * 4;
        for (int y = 0; y < window_height; ++y)
            std::copy_n(rows.begin() + static_cast<long>((window_height - 1 - y) * row), row,
                        image.begin() + static_cast<long>(y * row));
        return image;
    }

    // The frame on the window against its golden PNG (or written as the new
    // golden one).
    void expect_golden(const std::string& name) {
        const std::vector<unsigned char> actual = window_pixels();
        const std::filesystem::path golden = golden_folder / (name + ".png");
        if (regenerating()) {
            std::filesystem::create_directories(golden_folder);
            ASSERT_EQ(0u, lodepng::encode(golden.string(), actual, window_width, window_height))
                << golden;
            return;
        }
        std::vector<unsigned char> expected;
        unsigned width = 0;
        unsigned height = 0;
        ASSERT_EQ(0u, lodepng::decode(expected, width, height, golden.string()))
            << "missing " << golden << "; see the head of this file to make it";
        ASSERT_EQ(static_cast<unsigned>(window_width), width);
        ASSERT_EQ(static_cast<unsigned>(window_height), height);
        if (expected == actual) return;

        int differing = 0;
        int left = window_width, top = window_height, right = -1, bottom = -1;
        for (int y = 0; y < window_height; ++y)
            for (int x = 0; x < window_width; ++x) {
                const size_t at = (static_cast<size_t>(y) * window_width + x) * 4;
                if (std::equal(&expected[at], &expected[at] + 4, &actual[at])) continue;
                ++differing;
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        const std::string written = name + ".actual.png";
        lodepng::encode(written, actual, window_width, window_height);
        ADD_FAILURE() << name << ": " << differing << " pixels differ, within x " << left << ".."
                      << right << ", y " << top << ".." << bottom << "; the frame drawn is in "
                      << std::filesystem::absolute(written);
    }

    GlStage stage{window_width, window_height};  // first in, last out
    GameContext context;
    Game* game = nullptr;
    World* world = nullptr;
};

// SHOOT held but for a rest of two seconds in every twenty; the mouse at
// the bottom of the screen under the lowest enemy (sweeping when there is
// none), so that shots hit, enemies explode and debris flies.
void script(World& world, GameContext& context, int update) {
    Input& input = *context.input;
    const int second = update * step_ms / 1000;
    input.keys[context.key_shoot] = second % 20 < 18;
    Enemy* lowest = nullptr;
    for (const auto& owned : WorldProbe::enemies(world)) {
        Enemy* enemy = owned.get();
        const float y = WorldProbe::position(*enemy).y;
        if (!enemy->is_dead() && y > 0 && (!lowest || y > WorldProbe::position(*lowest).y))
            lowest = enemy;
    }
    const int phase = update % 500;
    input.mouse_position = {
        static_cast<float>(40 + (phase < 250 ? phase : 500 - phase) * 560 / 250),
        static_cast<float>(330 + update % 20)};
    if (lowest) input.mouse_position.x = WorldProbe::position(*lowest).x;
}

TEST_F(GoldenFrames, TitleScreenWithAndWithoutTheHover) {
    context.input->mouse_position = {10, 10};
    pass();
    expect_golden("title");

    context.input->mouse_position = {320, 125};
    pass();
    expect_golden("title_hover_start");
}

TEST_F(GoldenFrames, PlayScreenAtFixedPointsOfASeededRun) {
    // The play screen as the Game makes it after the start click, updated
    // and queued as Game::update and Game::draw do on every pass (queueing
    // ends the ship's hit flash); rendered at the checkpoints.
    context.screen_rect = {0, 0, 640, 360};
    quiet([&] { world = new World(&context, game); });
    prepare_renderers();
    int update = 0;
    for (const Checkpoint& checkpoint : play_checkpoints) {
        while (update < checkpoint.update) {
            ++update;
            script(*world, context, update);
            testing_advance_clock_ms(step_ms);
            quiet([&] { world->update(); });
            if (update == checkpoint.update) {
                draw_frame([&] { world->draw(); });
            } else {
                world->draw();
                for (Renderer* renderer : renderers()) renderer->clear();
            }
        }
        expect_golden(checkpoint.name);
    }
}

}  // namespace
