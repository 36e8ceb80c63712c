// The golden replay: three minutes of play from seed 3 in fixed 16 ms steps
// with scripted mouse and SHOOT input, compared at fixed checkpoints with the
// committed expectation in data/world_replay.txt. A checkpoint holds what
// the player sees and hears then: the score texts' values, the ship, the
// enemies, both sides' shots, explosions, sparks and stars (sums of their
// places, sizes and colours) and the sounds played since the last one. The
// first is taken before the first update, so the star field every first
// game opens with is part of it. Any change to the game's behaviour, and
// to where each of its random draws goes, shows here.
//
// After an intended change, regenerate the expectation and review its diff:
//   QUILLFEN_REGENERATE_REPLAY=1 build/<dir>/tests/game/world_replay_test
// (under xvfb-run, like every test that needs a GL context).
#include "world_fixture.h"

#include <cmath>
#include <cstdio>
#include <map>

namespace {

const int step_ms = 16;
const int updates = 180000 / step_ms;  // three minutes
const int checkpoint_every = 250;      // 4 s

const std::filesystem::path expectation_path =
    std::filesystem::path(__FILE__).parent_path() / "data" / "world_replay.txt";

// The script: SHOOT is held, except for a rest of two seconds in every
// twenty, and the left button takes over for the third quarter of every
// minute. The mouse follows an autopilot along the bottom of the screen,
// under the lowest enemy on the screen (sweeping when there is none), so
// that the ship scores and climbs the levels; for the last ten seconds it
// flies into that enemy instead, so the ship rams, dies and hands over its
// score.
void script(World& world, Input& input, int update) {
    const int second = update * step_ms / 1000;
    const bool resting = second % 20 >= 18;
    const bool button = second % 60 >= 30 && second % 60 < 45;
    input.keys[32] = !resting && !button;
    input.mouse_left = !resting && button;

    Enemy* lowest = nullptr;
    for (const std::unique_ptr<Enemy>& enemy : WorldProbe::enemies(world)) {
        const float y = WorldProbe::position(*enemy).y;
        if (!enemy->is_dead() && y > 0 && (!lowest || y > WorldProbe::position(*lowest).y))
            lowest = enemy.get();
    }
    const int phase = update % 500;
    Vec2f mouse{static_cast<float>(40 + (phase < 250 ? phase : 500 - phase) * 560 / 250),
                static_cast<float>(330 + update % 20)};
    if (lowest) {
        mouse.x = WorldProbe::position(*lowest).x;
        if (second >= 170) mouse.y = WorldProbe::position(*lowest).y;
    }
    input.mouse_position = mouse;
}

uint64_t fnv1a(uint64_t hash, const std::string& text) {
    for (const char c : text) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    return (hash ^ 0xff) * 1099511628211ull;
}

// Sums of places, sizes and colours over a list of bodies, for a line.
struct Sums {
    double x = 0, y = 0, size = 0, colour = 0;

    void add(const Vec2f& at, float side, float shade) {
        x += at.x;
        y += at.y;
        size += side;
        colour += shade;
    }
    std::string text() const {
        char line[128];
        std::snprintf(line, sizeof line, "%.2f,%.2f,%.2f,%.3f", x, y, size, colour);
        return line;
    }
};

class WorldReplay : public PlayScreen {
protected:
    // The stars, the sparks (size, green and alpha), both sides' shots
    // (place and heading) and the explosions' frames.
    std::string bodies() {
        Sums stars;
        for (int i = 0; i < 20; ++i) {
            const Star& star = WorldProbe::star(*world, i);
            stars.add(star.position, star.size.x, star.colour.r);
        }
        Sums sparks;
        double fade = 0;
        for (const std::unique_ptr<DebrisParticle>& spark : WorldProbe::debris(*world)) {
            sparks.add(spark->position, spark->size.x, spark->colour.g);
            fade += spark->colour.a;
        }
        Sums shots;
        for (const std::unique_ptr<Bullet>& shot : WorldProbe::player_bullets(*world))
            shots.add(shot->position, 0, shot->heading);
        Sums enemy_shots;
        for (const std::unique_ptr<Bullet>& shot : WorldProbe::enemy_bullets(*world))
            enemy_shots.add(shot->position, shot->size.x, shot->heading);
        double frames = 0;
        for (const std::unique_ptr<Explosion>& explosion : WorldProbe::explosions(*world))
            frames += explosion->sprite.texture_rect().x1;
        char fades[64];
        std::snprintf(fades, sizeof fades, " fade=%.3f frames=%.2f", fade, frames);
        return " stars=" + stars.text() + " sparks=" + sparks.text() + fades +
               " shots_at=" + shots.text() + " enemy_shots_at=" + enemy_shots.text();
    }

    std::string checkpoint(int update, const std::vector<std::string>& sounds) {
        Player& ship = player();
        int kinds[3] = {};
        double sum_x = 0;
        double sum_y = 0;
        for (const std::unique_ptr<Enemy>& enemy : enemies()) {
            for (int k = 0; k < 3; ++k)
                if (WorldProbe::kind(*enemy) == WorldProbe::kind(*world, k)) ++kinds[k];
            sum_x += WorldProbe::position(*enemy).x;
            sum_y += WorldProbe::position(*enemy).y;
        }
        std::map<std::string, int> counts;
        uint64_t order = 14695981039346656037ull;
        for (const std::string& name : sounds) {
            ++counts[name];
            order = fnv1a(order, name);
        }
        char line[512];
        std::snprintf(
            line, sizeof line,
            "t=%.3f score=%d level=%d health=%g dead=%d ship=%.2f,%.2f enemies=%zu "
            "(%d/%d/%d) at=%.2f,%.2f shots=%zu enemy_shots=%zu explosions=%zu "
            "debris=%zu high=%d",
            update * step_ms / 1000.0, score(), WorldProbe::level(ship), WorldProbe::health(ship),
            ship.is_dead() ? 1 : 0, WorldProbe::position(ship).x, WorldProbe::position(ship).y,
            enemies().size(), kinds[0], kinds[1], kinds[2], sum_x, sum_y,
            WorldProbe::player_bullets(*world).size(), WorldProbe::enemy_bullets(*world).size(),
            WorldProbe::explosions(*world).size(), WorldProbe::debris(*world).size(),
            game->high_score());
        std::string text = line;
        text += " sounds=";
        for (const auto& [name, count] : counts) text += name + ":" + std::to_string(count) + ",";
        char hash[32];
        std::snprintf(hash, sizeof hash, " order=%016llx", static_cast<unsigned long long>(order));
        return text + hash + bodies();
    }
};

TEST_F(WorldReplay, ThreeMinutesFromSeedThreeMatchTheExpectation) {
    std::vector<std::string> lines;
    const std::vector<std::string> opening = new_world();
    lines.push_back(checkpoint(0, opening));
    std::vector<std::string> sounds;
    capture.begin();
    for (int update = 1; update <= updates; ++update) {
        script(*world, *context.input, update);
        testing_advance_clock_ms(step_ms);
        world->update();
        world->draw();
        context.field_renderer.clear();
        context.bar_renderer.clear();
        context.text_renderer.clear();
        if (update % checkpoint_every == 0) {
            const std::vector<std::string> played = capture.end();
            sounds.insert(sounds.end(), played.begin(), played.end());
            lines.push_back(checkpoint(update, sounds));
            sounds.clear();
            capture.begin();
        }
    }
    capture.end();
    ASSERT_EQ(static_cast<size_t>(updates / checkpoint_every) + 1, lines.size());

    if (std::getenv("QUILLFEN_REGENERATE_REPLAY")) {
        std::ofstream out(expectation_path);
        for (const std::string& line : lines) out << line << '\n';
        ASSERT_TRUE(out.good()) << expectation_path;
        GTEST_SKIP() << "wrote " << expectation_path;
    }

    std::ifstream in(expectation_path);
    ASSERT_TRUE(in.good()) << "missing " << expectation_path
                           << "; see the head of this file to make it";
    std::vector<std::string> expected;
    for (std::string line; std::getline(in, line);) expected.push_back(line);
    ASSERT_EQ(expected.size(), lines.size());
    for (size_t i = 0; i < lines.size(); ++i) {
        // The first difference tells when the behaviour changed.
        ASSERT_EQ(expected[i], lines[i]) << "checkpoint " << i + 1;
    }

    // The script plays the whole game: the top level, two kinds of enemy,
    // and the ship's death handing over the score.
    const std::string& last = lines.back();
    EXPECT_NE(std::string::npos, last.find("level=5")) << last;
    EXPECT_NE(std::string::npos, last.find("dead=1")) << last;
    EXPECT_EQ(std::string::npos, last.find("high=0")) << last;
}

}  // namespace
