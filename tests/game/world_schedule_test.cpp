// Who spawns when, and where every draw from the generator goes: the stars,
// the enemy's construction, the spawn delay, the wander, the hit sound and
// the debris, in that order from seed 3.
#include "world_fixture.h"

namespace {

using Sounds = std::vector<std::string>;

class WorldSchedule : public PlayScreen {};

TEST_F(WorldSchedule, DrawsFromSeedThreeGoWhereTheyAreMeant) {
    new_world();
    Draws draws;
    for (int i = 0; i < 20; ++i) {
        const float y = draws.real(-50, 360);
        const float x = draws.real(0, 640);
        const float s = draws.real(1, 4);
        const float b = draws.real(0.5f, 1);
        const Star& star = WorldProbe::star(*world, i);
        EXPECT_FLOAT_EQ(x, star.position.x) << i;
        EXPECT_FLOAT_EQ(y, star.position.y) << i;
        EXPECT_FLOAT_EQ(s, star.size.x) << i;
        EXPECT_FLOAT_EQ(s, star.size.y) << i;
        EXPECT_FLOAT_EQ(b, star.colour.r) << i;
        EXPECT_FLOAT_EQ(0.5f, star.colour.a) << i;
        EXPECT_FLOAT_EQ(static_cast<float>(0.07 * s), star.speed) << i;
        EXPECT_EQ(0, star.heading);
        EXPECT_EQ(0u, star.shape.kind());  // built by the first update
    }

    // With no time passed nothing moves, so no star respawns.
    step();
    const float x = draws.real(-50, 690);
    const float heading = draws.real(135, 225);
    const float delay = draws.real(1200, 1700);
    const float target = draws.real(135, 225);
    const float wander = draws.real(2000, 6000);
    ASSERT_EQ(1u, enemies().size());
    Enemy& enemy = *enemies()[0];
    EXPECT_FLOAT_EQ(x, WorldProbe::position(enemy).x);
    EXPECT_EQ(-50, WorldProbe::position(enemy).y);
    EXPECT_FLOAT_EQ(heading, WorldProbe::heading(enemy));
    EXPECT_FLOAT_EQ(delay, WorldProbe::spawn_timer(*world).duration());
    EXPECT_FLOAT_EQ(target, WorldProbe::target_heading(enemy));
    EXPECT_FLOAT_EQ(wander, WorldProbe::wander_timer(enemy).duration());
    EXPECT_EQ(2u, WorldProbe::star(*world, 0).shape.kind());

    context.input->mouse_position = {320, 300};
    WorldProbe::position(enemy) = {200, 100};
    world->add_player_bullet(still_bullet({200, 100}, {1, 11}, 1));
    EXPECT_EQ(Sounds{"hit" + std::to_string(draws.integer(1, 3))}, step());

    world->add_player_bullet(still_bullet({200, 100}, {1, 11}, 5));
    EXPECT_EQ(Sounds{"explosion" + std::to_string(draws.integer(1, 3))}, step());
    const auto& debris = WorldProbe::debris(*world);
    ASSERT_EQ(40u, debris.size());
    for (const auto& particle : debris) {
        const float s = draws.real(1, 4);
        EXPECT_FLOAT_EQ(s, particle->size.x);
        EXPECT_FLOAT_EQ(draws.real(0, 360), particle->heading);
        EXPECT_FLOAT_EQ(static_cast<float>(0.07 * s), particle->speed);
        const float g = draws.real(0.2f, 1);
        EXPECT_EQ(1, particle->colour.r);
        EXPECT_FLOAT_EQ(g, particle->colour.g);
        EXPECT_EQ(0, particle->colour.b);
        EXPECT_FLOAT_EQ(draws.real(1500, 4000), particle->life.duration());
        // Not moved yet, and fully opaque.
        EXPECT_EQ(200, particle->position.x);
        EXPECT_EQ(100, particle->position.y);
        EXPECT_EQ(1, particle->colour.a);
    }
}

struct Row {
    float below;
    int kind;
    float low;
    float high;
};

const Row schedule[] = {
    {30, 0, 1200, 1700}, {90, 0, 750, 1400},  {120, 0, 500, 800},
    {180, 1, 510, 750},  {1e9f, 2, 500, 800},
};

const Row& row_at(float t) {
    for (const Row& row : schedule)
        if (t < row.below) return row;
    return schedule[4];
}

TEST_F(WorldSchedule, SpawnsFollowThePlayTimeTo200Seconds) {
    new_world();
    int previous_update = -1;
    double previous_delay = 0;
    int spawns_per_kind[3] = {};
    for (int update = 0; update <= 2000; ++update) {
        const size_t before = enemies().size();
        step(update == 0 ? 0 : 100);
        Timer& spawn_timer = WorldProbe::spawn_timer(*world);
        if (spawn_timer.elapsed() != 0) continue;  // restarted only by a spawn

        const float t = static_cast<float>(WorldProbe::play_clock(*world).elapsed_seconds());
        EXPECT_FLOAT_EQ(update * 0.1f, t);
        const Row& row = row_at(t);
        ASSERT_FALSE(enemies().empty());
        EXPECT_EQ(WorldProbe::kind(*world, row.kind), WorldProbe::kind(*enemies().back())) << t;
        ++spawns_per_kind[row.kind];
        const double delay = spawn_timer.duration();
        EXPECT_GE(delay, row.low) << t;
        EXPECT_LE(delay, row.high) << t;
        // The gap is the previous delay rounded up to the next update.
        if (previous_update >= 0) {
            EXPECT_GE((update - previous_update) * 100.0, previous_delay) << t;
            EXPECT_LT((update - previous_update - 1) * 100.0, previous_delay) << t;
        }
        EXPECT_LE(enemies().size(), before + 1);
        previous_update = update;
        previous_delay = delay;
    }
    EXPECT_GT(spawns_per_kind[0], 100);
    EXPECT_GT(spawns_per_kind[1], 60);
    EXPECT_GT(spawns_per_kind[2], 20);
}

TEST_F(WorldSchedule, TheRowChangesExactlyAtItsBound) {
    const float times[] = {0, 29.999f, 30, 89.999f, 90, 119.999f, 120, 179.999f, 180, 200};
    for (const float t : times) {
        new_world();
        testing_advance_clock_ms(t * 1000.0);
        // The delay is drawn after the enemy's two draws.
        Draws draws;
        draws.generator = rng;
        draws.skip(2);
        const Row& row = row_at(t);
        const float expected = draws.real(row.low, row.high);
        WorldProbe::spawn_enemies(*world);
        ASSERT_EQ(1u, enemies().size()) << t;
        EXPECT_EQ(WorldProbe::kind(*world, row.kind), WorldProbe::kind(*enemies()[0])) << t;
        EXPECT_FLOAT_EQ(expected, WorldProbe::spawn_timer(*world).duration()) << t;
    }
}

TEST_F(WorldSchedule, ALongUpdateSpawnsOneEnemyOnly) {
    new_world();
    step();
    step(5000);
    EXPECT_EQ(2u, enemies().size());
    step(5000);
    EXPECT_EQ(3u, enemies().size());
}

}  // namespace
