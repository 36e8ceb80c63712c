// The play screen under test: the stage's GL context and textures, an empty
// Sound store whose "could not be found" lines tell which sounds were played,
// the Input set directly, the manual clock and the generator reseeded to 3.
#pragma once

#include "world_stage.h"

#include "audio/Sound.h"
#include "game/Game.h"
#include "platform/Input.h"
#include "win32/testing.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

// Standard output redirected to a file while an action runs; the lines of
// the empty Sound store name the sounds played, every other line is passed
// on to the real standard output so nothing is hidden.
class StdoutCapture {
public:
    void begin() {
        std::cout.flush();
        std::fflush(stdout);
        saved = dup(1);
        std::FILE* file = std::tmpfile();
        capture = dup(fileno(file));
        std::fclose(file);
        dup2(capture, 1);
    }
    // The sounds played since begin, in order.
    std::vector<std::string> end() {
        std::cout.flush();
        std::fflush(stdout);
        dup2(saved, 1);
        close(saved);
        std::string text;
        lseek(capture, 0, SEEK_SET);
        char buffer[4096];
        for (ssize_t n; (n = read(capture, buffer, sizeof buffer)) > 0;) text.append(buffer, n);
        close(capture);

        std::vector<std::string> sounds;
        const std::string prefix = "[!] Sound::play_sound: \"";
        const std::string suffix = "\" could not be found.";
        std::istringstream lines(text);
        for (std::string line; std::getline(lines, line);) {
            if (line.rfind(prefix, 0) == 0 && line.size() > prefix.size() + suffix.size() &&
                line.compare(line.size() - suffix.size(), suffix.size(), suffix) == 0) {
                sounds.push_back(
                    line.substr(prefix.size(), line.size() - prefix.size() - suffix.size()));
            } else {
                std::cout << line << '\n';
            }
        }
        return sounds;
    }

private:
    int saved = -1;
    int capture = -1;
};

class PlayScreen : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(stage.ready()) << "no GL context (run under Xvfb)";
        testing_set_manual_clock(true);
        rng.seed(3);
        context.resolution = {640, 360};
        context.screen_rect = {0, 0, 640, 360};
        context.graphics = make_graphics(leave_out());
        for (const PlayTexture& art : play_textures) {
            if (!leave_out().count(art.name)) {
                ASSERT_NE(nullptr, context.graphics->get_texture(art.name)) << art.name;
            }
        }
        context.sound = std::make_unique<Sound>();
        context.input = std::make_unique<Input>(&context);
        capture.begin();
        game = std::make_unique<Game>(&context);
        game_sounds = capture.end();
    }

    void TearDown() override {
        world.reset();
        game.reset();
        context.input.reset();
        context.sound.reset();
        context.graphics.reset();
        testing_set_manual_clock(false);
    }

    // Textures the store of this test lacks.
    virtual std::set<std::string> leave_out() const { return {}; }

    // A new play screen, as the Game makes it; the sounds of its construction.
    std::vector<std::string> new_world() {
        world.reset();
        capture.begin();
        world = std::make_unique<World>(&context, game.get());
        return capture.end();
    }

    // Moves the clock on, runs one update and gives the sounds it played.
    std::vector<std::string> step(double milliseconds = 0) {
        testing_advance_clock_ms(milliseconds);
        capture.begin();
        world->update();
        return capture.end();
    }

    Player& player() { return WorldProbe::player(*world); }
    std::vector<std::unique_ptr<Enemy>>& enemies() { return WorldProbe::enemies(*world); }
    int32_t score() { return WorldProbe::score(*world); }

    // A shot that stands still at the point: the makers' fields, speed 0.
    static Bullet* still_bullet(const Vec2f& at, const Vec2f& size, float power) {
        Bullet* bullet = new Bullet();
        bullet->position = at;
        bullet->size = size;
        bullet->power = power;
        return bullet;
    }

    GlStage stage;  // first in, last out: the textures die in its context
    GameContext context;
    std::unique_ptr<Game> game;
    std::unique_ptr<World> world;
    StdoutCapture capture;
    std::vector<std::string> game_sounds;
};

inline bool is_one_of(const std::string& name, std::initializer_list<const char*> names) {
    for (const char* candidate : names)
        if (name == candidate) return true;
    return false;
}
