// Motion does not depend on how often the game updates: enemies, both sides'
// shots, debris and stars moving at a fixed heading for 5 s end in the same
// place whether the play screen took 16 ms steps or the 0.01 ms steps of a
// fast machine, wherever on the screen they move.
#include "world_fixture.h"

#include <cmath>

namespace {

// Screen places where a float position holds a step of a hundredth of a
// pixel differently: rounded up, kept roughly, or rounded away.
const float columns[] = {100, 400, 900};
const float headings[] = {178, 175};

const double seconds = 5;

class MotionTest : public PlayScreen {
protected:
    struct Tracked {
        std::string what;
        Vec2f start;
        float heading;
        float speed;
        std::function<Vec2f()> position;
    };

    // A play screen with no spawning and, at every column and heading, one
    // body of each kind, far enough apart that nothing collides; then the
    // given steps until 5 s have passed. Gives where each body ended.
    std::vector<Vec2f> run(double step_ms) {
        rng.seed(3);
        context.resolution = {1280, 2000};
        context.screen_rect = {0, 0, 1280, 2000};
        new_world();
        WorldProbe::spawn_timer(*world).start(1e9);
        tracked.clear();
        int star = 0;
        for (const float x : columns) {
            for (const float heading : headings) {
                // enemy1 at 0.04 px per ms, y 100 to 300; never turning or firing.
                Enemy& enemy = WorldProbe::add_enemy(*world, 0);
                WorldProbe::place(enemy, {x, 100});
                WorldProbe::heading(enemy) = heading;
                WorldProbe::target_heading(enemy) = heading;
                WorldProbe::wander_timer(enemy).start(1e9);
                WorldProbe::fire_timer(enemy).start(1e9);
                tracked.push_back({"enemy", {x, 100}, heading, 0.04f, [&enemy] {
                                       return WorldProbe::position(enemy);
                                   }});

                // The ship's shot below the enemies, y 400 to 650.
                Bullet* shot = still_bullet({x, 400}, {1, 11}, 1);
                shot->heading = heading;
                shot->speed = 0.05f;
                world->add_player_bullet(shot);
                tracked.push_back(
                    {"ship's shot", {x, 400}, heading, 0.05f, [shot] { return shot->position; }});

                // An enemy's shot beside it, y 400 to 900.
                Bullet* enemy_shot = still_bullet({x + 30, 400}, {6, 6}, 1);
                enemy_shot->heading = heading;
                enemy_shot->speed = 0.1f;
                world->add_enemy_bullet(enemy_shot);
                tracked.push_back({"enemy's shot", {x + 30, 400}, heading, 0.1f, [enemy_shot] {
                                       return enemy_shot->position;
                                   }});

                // A spark that lives longer than the run, y 1000 to 1350.
                auto* spark = new DebrisParticle();
                spark->position = {x, 1000};
                spark->size = {1, 1};
                spark->heading = heading;
                spark->speed = 0.07f;
                spark->life.start(1e9);
                WorldProbe::debris(*world).emplace_back(spark);
                tracked.push_back(
                    {"spark", {x, 1000}, heading, 0.07f, [spark] { return spark->position; }});
            }
            // A star falls straight down, y 900 to 1250.
            Star& falling = WorldProbe::star(*world, star++);
            falling.position = {x + 60, 900};
            falling.size = {1, 1};
            falling.speed = 0.07f;
            tracked.push_back(
                {"star", {x + 60, 900}, 180, 0.07f, [&falling] { return falling.position; }});
        }

        const double total_ms = seconds * 1000;
        double done = 0;
        while (done < total_ms) {
            const double step = std::min(step_ms, total_ms - done);
            testing_advance_clock_ms(step);
            world->update();
            done += step;
        }
        std::vector<Vec2f> ends;
        for (const Tracked& body : tracked) ends.push_back(body.position());
        return ends;
    }

    std::vector<Tracked> tracked;
};

TEST_F(MotionTest, FiveSecondsAtAFixedHeadingEndInOnePlaceWhateverTheStep) {
    const std::vector<Vec2f> coarse = run(16);
    const std::vector<Vec2f> fine = run(0.01);
    ASSERT_EQ(coarse.size(), fine.size());
    // Nothing was removed on the way: the bodies are still in their lists.
    EXPECT_EQ(6u, enemies().size());
    EXPECT_EQ(6u, WorldProbe::player_bullets(*world).size());
    EXPECT_EQ(6u, WorldProbe::enemy_bullets(*world).size());
    EXPECT_EQ(6u, WorldProbe::debris(*world).size());
    for (size_t i = 0; i < tracked.size(); ++i) {
        const Tracked& body = tracked[i];
        // Speed times time along the heading, in the step's own terms.
        const Vec2f way =
            offset_by_angle({0, 0}, body.heading, static_cast<float>(body.speed * seconds * 1000));
        const double x = body.start.x + static_cast<double>(way.x);
        const double y = body.start.y + static_cast<double>(way.y);
        const std::string name = body.what + " from " + std::to_string(body.start.x) + "," +
                                 std::to_string(body.start.y) + " at " +
                                 std::to_string(body.heading);
        EXPECT_NEAR(coarse[i].x, fine[i].x, 0.01) << name;
        EXPECT_NEAR(coarse[i].y, fine[i].y, 0.01) << name;
        EXPECT_NEAR(x, fine[i].x, 0.01) << name;
        EXPECT_NEAR(y, fine[i].y, 0.01) << name;
    }
}

}  // namespace
