// The ship: the clamp to the screen, the fire pacing, set_level, the hit
// flash and the health bar.
#include "world_fixture.h"

namespace {

using Sounds = std::vector<std::string>;

class PlayerTest : public PlayScreen {};

TEST_F(PlayerTest, FollowsTheMouseInsideTheScreen) {
    struct Row {
        Vec2f mouse;
        Vec2f centre;
    };
    const Row rows[] = {
        {{320, 180}, {320, 180}},       {{16, 16}, {16, 16}},     {{0, 0}, {16, 16}},
        {{-100, -100}, {16, 16}},       {{700, 400}, {624, 344}}, {{624, 344}, {624, 344}},
        {{639.5f, 10}, {624, 16}},      {{100, 359}, {100, 344}}, {{15.5f, 100}, {16, 100}},
        {{624.5f, 344.5f}, {624, 344}},
    };
    new_world();
    for (const Row& row : rows) {
        context.input->mouse_position = row.mouse;
        step();
        const Vec2f centre = WorldProbe::position(player());
        EXPECT_EQ(row.centre.x, centre.x) << row.mouse.x << "," << row.mouse.y;
        EXPECT_EQ(row.centre.y, centre.y) << row.mouse.x << "," << row.mouse.y;
        EXPECT_EQ(row.centre.x - 16, WorldProbe::sprite(player()).position().x);
        EXPECT_EQ(row.centre.y - 16, WorldProbe::sprite(player()).position().y);
        EXPECT_EQ(row.centre.x, world->player_position().x);
        EXPECT_EQ(row.centre.y, world->player_position().y);
    }
}

TEST_F(PlayerTest, HeldShootFiresEveryIntervalFrom210Milliseconds) {
    context.input->keys[32] = 1;
    context.input->mouse_position = {320, 300};
    new_world();
    std::vector<int> volleys;
    for (int t = 0; t <= 700; t += 10) {
        const Sounds sounds = step(t == 0 ? 0 : 10);
        if (sounds == Sounds{"gun"})
            volleys.push_back(t);
        else
            EXPECT_EQ(Sounds{}, sounds) << t;
    }
    EXPECT_EQ((std::vector<int>{210, 420, 630}), volleys);
}

TEST_F(PlayerTest, SetLevelPlaysOnARiseAndSwitchesSilentlyOnAFall) {
    new_world();
    Player& ship = player();
    WorldProbe::fire_timer(ship).start(210);
    struct Row {
        int32_t given;
        int32_t level;
        float fire_interval;
        int32_t weapon;
        bool level_up;
    };
    const Row rows[] = {
        {1, 1, 210, 0, false},  // the same level: nothing
        {7, 1, 210, 0, true},   // higher but no level: the sound only
        {5, 5, 80, 2, true},    {3, 3, 100, 0, false}, {0, 3, 100, 0, false},
        {-4, 3, 100, 0, false}, {4, 4, 80, 1, true},
    };
    for (const Row& row : rows) {
        capture.begin();
        WorldProbe::set_level(ship, row.given);
        EXPECT_EQ(row.level_up ? Sounds{"level up"} : Sounds{}, capture.end()) << row.given;
        EXPECT_EQ(row.level, WorldProbe::level(ship)) << row.given;
        EXPECT_EQ(row.fire_interval, WorldProbe::fire_interval(ship)) << row.given;
        EXPECT_EQ(row.weapon, WorldProbe::weapon(ship)) << row.given;
        // The running volley keeps its interval.
        EXPECT_EQ(210, WorldProbe::fire_timer(ship).duration()) << row.given;
    }
}

TEST_F(PlayerTest, AHitFlashesRedUntilTheFirstDrawAfter50Milliseconds) {
    context.input->mouse_position = {320, 180};
    new_world();
    step();
    const Vec4f white = WorldProbe::sprite(player()).colour();
    EXPECT_EQ(1, white.g);
    EXPECT_EQ(1, white.a);
    world->add_enemy_bullet(still_bullet({320, 180}, {6, 6}, 5));
    step();
    const auto colour = [&] { return WorldProbe::sprite(player()).colour(); };
    EXPECT_EQ(1, colour().r);
    EXPECT_EQ(0, colour().g);
    EXPECT_FLOAT_EQ(0.9f, colour().a);

    // The bar shows 15 of 20 from the next update on.
    step(49);
    const Vec4f bar = WorldProbe::bar_fill(player()).records()[0];
    EXPECT_EQ(40, bar.x1);
    EXPECT_EQ(320, bar.y1);
    EXPECT_EQ(40 + 250 * 15 / 20.0f, bar.x2);
    EXPECT_EQ(330, bar.y2);
    world->draw();
    EXPECT_EQ(0, colour().g);
    step(1);
    EXPECT_EQ(0, colour().g);  // not in the update
    world->draw();
    EXPECT_EQ(1, colour().g);
    EXPECT_EQ(1, colour().a);
    context.field_renderer.clear();
    context.bar_renderer.clear();
    context.text_renderer.clear();
}

TEST_F(PlayerTest, ADeadShipNeitherMovesNorFiresAndItsBarIsEmpty) {
    context.input->mouse_position = {320, 180};
    context.input->keys[32] = 1;
    new_world();
    step();
    world->add_enemy_bullet(still_bullet({320, 180}, {6, 6}, 25));
    step();
    ASSERT_TRUE(player().is_dead());
    EXPECT_EQ(-5, WorldProbe::health(player()));
    context.input->mouse_position = {100, 100};
    EXPECT_EQ(Sounds{}, step(1000));
    EXPECT_TRUE(WorldProbe::player_bullets(*world).empty());
    EXPECT_EQ(320, WorldProbe::position(player()).x);
    const Vec4f bar = WorldProbe::bar_fill(player()).records()[0];
    EXPECT_EQ(40, bar.x1);
    EXPECT_EQ(40, bar.x2);
}

}  // namespace
