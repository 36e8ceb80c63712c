// Who spawns when, and what the random draws make: the star field, a new
// enemy, the gaps between enemies and the sparks of an explosion, watched
// through what the player sees. Where each draw of the generator goes is
// fixed by the golden replay (world_replay_test).
#include "world_fixture.h"

#include <algorithm>
#include <cmath>

namespace {

using Sounds = std::vector<std::string>;

class WorldSchedule : public PlayScreen {
protected:
    // The kind an enemy is drawn as.
    std::string kind_of(Enemy& enemy) {
        const Texture* art = WorldProbe::sprite(enemy).texture();
        for (const char* name : {"enemy1", "enemy2", "enemy3"})
            if (art == context.graphics->get_texture(name)) return name;
        return "?";
    }

    // One update after step_ms; how many enemies it spawned. The enemies
    // dead before it are the ones it removes, and a new one is appended.
    int spawned_by_step(double step_ms) {
        const size_t before = enemies().size();
        const size_t dead = static_cast<size_t>(
            std::count_if(enemies().begin(), enemies().end(),
                          [](const std::unique_ptr<Enemy>& enemy) { return enemy->is_dead(); }));
        step(step_ms);
        return static_cast<int>(enemies().size() - (before - dead));
    }

    // Updates in steps of step_ms until one more enemy has come, at most
    // limit_ms; the time it took (or more than the limit).
    double time_to_next_spawn(double step_ms, double limit_ms) {
        double waited = 0;
        while (waited <= limit_ms) {
            waited += step_ms;
            if (spawned_by_step(step_ms) > 0) break;
        }
        return waited;
    }
};

TEST_F(WorldSchedule, TheStarFieldStartsWithinItsRangesAndFallsAsFastAsItsStarsAreBig) {
    new_world();
    std::vector<Vec2f> first_field;
    for (int i = 0; i < 20; ++i) {
        const Star& star = WorldProbe::star(*world, i);
        first_field.push_back(star.position);
        EXPECT_GE(star.position.x, 0) << i;
        EXPECT_LT(star.position.x, 640) << i;
        EXPECT_GE(star.position.y, -50) << i;
        EXPECT_LT(star.position.y, 360) << i;
        EXPECT_GE(star.size.x, 1) << i;
        EXPECT_LT(star.size.x, 4) << i;
        EXPECT_EQ(star.size.x, star.size.y) << i;
        // Grey, half transparent.
        EXPECT_GE(star.colour.r, 0.5f) << i;
        EXPECT_LE(star.colour.r, 1) << i;
        EXPECT_EQ(star.colour.r, star.colour.g) << i;
        EXPECT_EQ(star.colour.r, star.colour.b) << i;
        EXPECT_EQ(0.5f, star.colour.a) << i;
        EXPECT_EQ(0u, star.shape.kind()) << i;  // built by the first update
    }
    // The draws are spread over the ranges, not stuck at one end.
    const auto [low, high] =
        std::minmax_element(first_field.begin(), first_field.end(),
                            [](const Vec2f& a, const Vec2f& b) { return a.x < b.x; });
    EXPECT_GT(high->x - low->x, 320);

    // Straight down, 0.07 px per ms for every pixel of side.
    step(100);
    for (int i = 0; i < 20; ++i) {
        const Star& star = WorldProbe::star(*world, i);
        if (first_field[i].y + 7 * star.size.y > 360 + star.size.y) continue;  // came back
        EXPECT_NEAR(first_field[i].x, star.position.x, 1e-4) << i;
        EXPECT_NEAR(first_field[i].y + 100 * 0.07 * star.size.y, star.position.y, 1e-3) << i;
        EXPECT_EQ(2u, star.shape.kind()) << i;  // a filled square
    }

    // The generator is not seeded again: a new play screen has new stars.
    new_world();
    int same = 0;
    for (int i = 0; i < 20; ++i)
        if (WorldProbe::star(*world, i).position.x == first_field[i].x) ++same;
    EXPECT_EQ(0, same);
}

TEST_F(WorldSchedule, ANewEnemyEntersAboveTheTopHeadingDownwards) {
    // Twenty play screens, each with its own draws.
    float lowest_x = 1e9f;
    float highest_x = -1e9f;
    for (int i = 0; i < 20; ++i) {
        new_world();
        step();
        ASSERT_EQ(1u, enemies().size());
        Enemy& enemy = *enemies()[0];
        const Vec2f at = WorldProbe::position(enemy);
        EXPECT_GE(at.x, -50);
        EXPECT_LT(at.x, 690);
        EXPECT_EQ(-50, at.y);
        // The picture points along the heading (turned by 180).
        const float heading = WorldProbe::sprite(enemy).rotation() - 180;
        EXPECT_GE(heading, 135);
        EXPECT_LE(heading, 225);
        lowest_x = std::min(lowest_x, at.x);
        highest_x = std::max(highest_x, at.x);
    }
    EXPECT_GT(highest_x - lowest_x, 300);
}

TEST_F(WorldSchedule, SpawnsFollowThePlayTimeTo200Seconds) {
    // What the schedule promises: the kind of every enemy spawned in a
    // period, and the range of the gap from each of its spawns to the next
    // one (seen to the next 10 ms update).
    struct Period {
        double from_s;
        double to_s;
        const char* kind;
        double gap_low;
        double gap_high;
    };
    const Period periods[] = {
        {0, 30, "enemy1", 1200, 1700},  {30, 90, "enemy1", 750, 1400},
        {90, 120, "enemy1", 500, 800},  {120, 180, "enemy2", 510, 750},
        {180, 200, "enemy3", 500, 800},
    };
    const double step_ms = 10;

    new_world();
    std::vector<double> spawns;  // ms of play
    std::vector<std::string> kinds;
    for (double now = 0; now <= 200000; now += step_ms) {
        const int spawned = spawned_by_step(now == 0 ? 0 : step_ms);
        ASSERT_LE(spawned, 1) << now;
        if (spawned == 1) {
            spawns.push_back(now);
            kinds.push_back(kind_of(*enemies().back()));  // a new one comes last
        }
    }
    ASSERT_FALSE(spawns.empty());
    EXPECT_EQ(0, spawns[0]);

    for (const Period& period : periods) {
        double shortest = 1e9;
        double longest = 0;
        int count = 0;
        for (size_t i = 0; i + 1 < spawns.size(); ++i) {
            const double t = spawns[i] / 1000;
            if (t < period.from_s || t >= period.to_s) continue;
            ++count;
            EXPECT_EQ(period.kind, kinds[i]) << t;
            const double gap = spawns[i + 1] - spawns[i];
            EXPECT_GE(gap, period.gap_low) << t;
            EXPECT_LT(gap, period.gap_high + step_ms) << t;
            shortest = std::min(shortest, gap);
            longest = std::max(longest, gap);
        }
        // Enough spawns to see the whole range used.
        EXPECT_GT(count, 10) << period.from_s;
        const double spread = period.gap_high - period.gap_low;
        EXPECT_LT(shortest, period.gap_low + spread / 4) << period.from_s;
        EXPECT_GT(longest, period.gap_high - spread / 4) << period.from_s;
    }
}

TEST_F(WorldSchedule, TheScheduleChangesExactlyAtItsBounds) {
    // A play screen whose first update comes at t spawns at once, by the
    // schedule's row for t; the next enemy comes after the row's gap. The
    // ranges of neighbouring rows overlap, so a bound is seen in several
    // play screens: somewhere a gap only the right row can give.
    struct Case {
        double t_s;
        const char* kind;
        double gap_low;
        double gap_high;
        // A gap the row before or after the bound cannot give.
        double telling_below;
        double telling_above;
    };
    const Case cases[] = {
        {29.999, "enemy1", 1200, 1700, 0, 1400}, {30, "enemy1", 750, 1400, 1200, 1e9},
        {89.999, "enemy1", 750, 1400, 0, 800},   {90, "enemy1", 500, 800, 750, 1e9},
        {119.999, "enemy1", 500, 800, 0, 1e9},   {120, "enemy2", 510, 750, 0, 1e9},
        {179.999, "enemy2", 510, 750, 0, 1e9},   {180, "enemy3", 500, 800, 0, 1e9},
    };
    for (const Case& bound : cases) {
        bool told = bound.telling_below == 0 && bound.telling_above == 1e9;
        for (int sample = 0; sample < 12; ++sample) {
            new_world();
            testing_advance_clock_ms(bound.t_s * 1000);
            step();
            ASSERT_EQ(1u, enemies().size()) << bound.t_s;
            EXPECT_EQ(bound.kind, kind_of(*enemies()[0])) << bound.t_s;
            const double gap = time_to_next_spawn(1, bound.gap_high + 1);
            EXPECT_GE(gap, bound.gap_low) << bound.t_s;
            EXPECT_LT(gap, bound.gap_high + 1) << bound.t_s;
            if (gap < bound.telling_below || gap > bound.telling_above) told = true;
        }
        EXPECT_TRUE(told) << "no gap told the row at " << bound.t_s << " s";
    }
}

TEST_F(WorldSchedule, ALongUpdateSpawnsOneEnemyOnly) {
    new_world();
    EXPECT_EQ(1, spawned_by_step(0));
    EXPECT_EQ(1, spawned_by_step(5000));
    EXPECT_EQ(1, spawned_by_step(5000));
}

TEST_F(WorldSchedule, AnExplosionSpraysFortySparksThatFlyFadeAndGo) {
    context.input->mouse_position = {320, 300};
    new_world();
    step();
    Enemy& enemy = *enemies()[0];
    WorldProbe::fire_timer(enemy).start(100000);
    WorldProbe::spawn_timer(*world).start(100000);
    WorldProbe::place(enemy, {200, 100});
    world->add_player_bullet(still_bullet({200, 100}, {1, 11}, 6));
    const Sounds sounds = step();
    ASSERT_EQ(1u, sounds.size());
    EXPECT_TRUE(is_one_of(sounds[0], {"explosion1", "explosion2", "explosion3"})) << sounds[0];

    struct Spark {
        DebrisParticle* particle;
        float side;
    };
    std::vector<Spark> sparks;
    for (const std::unique_ptr<DebrisParticle>& particle : WorldProbe::debris(*world)) {
        // Still at the centre, fully opaque, red to yellow.
        EXPECT_EQ(200, particle->position.x);
        EXPECT_EQ(100, particle->position.y);
        EXPECT_EQ(1, particle->colour.a);
        EXPECT_EQ(1, particle->colour.r);
        EXPECT_GE(particle->colour.g, 0.2f);
        EXPECT_LE(particle->colour.g, 1);
        EXPECT_EQ(0, particle->colour.b);
        EXPECT_GE(particle->size.x, 1);
        EXPECT_LT(particle->size.x, 4);
        EXPECT_EQ(particle->size.x, particle->size.y);
        sparks.push_back({particle.get(), particle->size.x});
    }
    ASSERT_EQ(40u, sparks.size());
    const auto [smallest, biggest] =
        std::minmax_element(sparks.begin(), sparks.end(),
                            [](const Spark& a, const Spark& b) { return a.side < b.side; });
    EXPECT_LT(smallest->side, 1.5f);
    EXPECT_GT(biggest->side, 3.5f);

    // 100 ms on, each has flown 0.07 px per ms for every pixel of side, and
    // faded by the share of its life gone: a life of 1.5 to 4 s.
    step(100);
    ASSERT_EQ(40u, WorldProbe::debris(*world).size());
    double lowest_heading = 360;
    double highest_heading = 0;
    double shortest_life = 1e9;
    double longest_life = 0;
    for (const Spark& spark : sparks) {
        const Vec2f at = spark.particle->position;
        const double flown = std::hypot(at.x - 200, at.y - 100);
        EXPECT_NEAR(100 * 0.07 * spark.side, flown, 1e-3);
        const double life = 100 / (1 - spark.particle->colour.a);
        EXPECT_GE(life, 1500 - 1e-2);
        EXPECT_LE(life, 4000 + 1e-2);
        shortest_life = std::min(shortest_life, life);
        longest_life = std::max(longest_life, life);
        const double heading = angle_between({200, 100}, at);
        lowest_heading = std::min(lowest_heading, heading);
        highest_heading = std::max(highest_heading, heading);
    }
    // Every way round, and lives over the whole range.
    EXPECT_LT(lowest_heading, 45);
    EXPECT_GT(highest_heading, 315);
    EXPECT_LT(shortest_life, 2000);
    EXPECT_GT(longest_life, 3500);

    // All gone once the longest life is over.
    step(3900);
    EXPECT_TRUE(WorldProbe::debris(*world).empty());
}

}  // namespace
