// One enemy: its aimed first shot, the wander and the steering back from the
// side edges, the hit flash and its health bar.
#include "world_fixture.h"

namespace {

using Sounds = std::vector<std::string>;

class EnemyTest : public PlayScreen {};

TEST_F(EnemyTest, FiresAtTheShipOnItsFirstUpdate) {
    context.input->mouse_position = {400, 300};
    new_world();
    step();
    Enemy& enemy = WorldProbe::add_enemy(*world, 1);
    WorldProbe::position(enemy) = {100, 100};
    EXPECT_EQ(Sounds{}, step());
    ASSERT_EQ(1u, WorldProbe::enemy_bullets(*world).size());
    const Bullet& shot = *WorldProbe::enemy_bullets(*world)[0];
    EXPECT_EQ(100, shot.position.x);
    EXPECT_EQ(100, shot.position.y);
    EXPECT_EQ(context.graphics->get_texture("enemy_bullet"), shot.sprite.texture());
    EXPECT_EQ(6, shot.size.x);
    EXPECT_EQ(6, shot.size.y);
    EXPECT_EQ(angle_between({100, 100}, {400, 300}), shot.heading);
    EXPECT_FLOAT_EQ(0.12f, shot.speed);
    EXPECT_EQ(1, shot.power);
    EXPECT_EQ(3500, WorldProbe::fire_timer(enemy).duration());

    const double wander = WorldProbe::wander_timer(enemy).duration();
    EXPECT_GE(wander, 2000);
    EXPECT_LE(wander, 6000);
    EXPECT_GE(WorldProbe::target_heading(enemy), 135);
    EXPECT_LE(WorldProbe::target_heading(enemy), 225);
}

TEST_F(EnemyTest, SteersBackFromTheSideEdgesAtThreeTimesItsTurnRate) {
    struct Row {
        float x;
        bool steering;
    };
    // enemy1 is 32 px wide: within one width of a side edge it steers.
    const Row rows[] = {{-50, true},  {31, true},   {32, false},
                        {320, false}, {608, false}, {609, true}};
    for (const Row& row : rows) {
        new_world();
        step();
        Enemy& enemy = *enemies()[0];
        WorldProbe::position(enemy) = {row.x, 100};
        WorldProbe::heading(enemy) = 180;
        const float target = WorldProbe::target_heading(enemy);
        step(100);
        const Vec2f start{row.x, 100};
        const float expected =
            row.steering ? approach(180, angle_between(start, {320, 360}), 3 * (100 * 0.02f))
                         : approach(180, target, 100 * 0.02f);
        EXPECT_EQ(expected, WorldProbe::heading(enemy)) << row.x;
        const Vec2f moved = offset_by_angle(start, expected, 100 * 0.04f);
        EXPECT_EQ(moved.x, WorldProbe::position(enemy).x) << row.x;
        EXPECT_EQ(moved.y, WorldProbe::position(enemy).y) << row.x;
        const Sprite& sprite = WorldProbe::sprite(enemy);
        EXPECT_EQ(moved.x - 16, sprite.position().x) << row.x;
        EXPECT_EQ(moved.y - 16, sprite.position().y) << row.x;
        EXPECT_EQ(expected + 180, sprite.rotation()) << row.x;
    }
}

TEST_F(EnemyTest, WandersToANewTargetWhenItsTimeIsUp) {
    new_world();
    step();
    Enemy& enemy = *enemies()[0];
    WorldProbe::fire_timer(enemy).start(100000);
    WorldProbe::spawn_timer(*world).start(100000);
    // Mid-screen, far from the edges and the ship (top left): whatever the
    // drawn target and time, the enemy is still in play when its time is up.
    WorldProbe::place(enemy, {320, 0});
    const double wander = WorldProbe::wander_timer(enemy).duration();
    step(wander - 1);
    ASSERT_FALSE(enemy.is_dead());
    EXPECT_EQ(wander, WorldProbe::wander_timer(enemy).duration());
    step(2);
    EXPECT_EQ(0, WorldProbe::wander_timer(enemy).elapsed());
    EXPECT_NE(wander, WorldProbe::wander_timer(enemy).duration());
}

TEST_F(EnemyTest, ALaserHitFlashesRedAndShortensTheBar) {
    context.input->mouse_position = {320, 300};
    new_world();
    step();
    Enemy& enemy = WorldProbe::add_enemy(*world, 2);  // enemy3: 14 health, 40 px
    WorldProbe::position(enemy) = {200, 100};
    world->add_player_bullet(still_bullet({200, 100}, {1, 23}, 3));
    step();
    EXPECT_EQ(11, WorldProbe::health(enemy));
    const Vec4f red = WorldProbe::sprite(enemy).colour();
    EXPECT_EQ(1, red.r);
    EXPECT_EQ(0, red.g);
    EXPECT_FLOAT_EQ(0.9f, red.a);

    step(49);
    EXPECT_EQ(0, WorldProbe::sprite(enemy).colour().g);
    // 40 x 6 px, 10 px above the sprite's top edge (origin 20).
    const Vec2f at = WorldProbe::position(enemy);
    const Vec4f fill = WorldProbe::bar_fill(enemy).records()[0];
    EXPECT_EQ(at.x - 20, fill.x1);
    EXPECT_EQ((at.y - 3) - 30, fill.y1);
    EXPECT_EQ(at.x - 20 + 40 * 11 / 14.0f, fill.x2);
    EXPECT_EQ((at.y + 3) - 30, fill.y2);
    const Vec4f back = WorldProbe::bar_background(enemy).records()[0];
    EXPECT_EQ(at.x + 20, back.x2);
    step(1);
    EXPECT_EQ(1, WorldProbe::sprite(enemy).colour().g);
    EXPECT_EQ(1, WorldProbe::sprite(enemy).colour().a);
}

}  // namespace
