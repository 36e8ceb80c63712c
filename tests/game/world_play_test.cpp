// The play screen's rules: its first update, the levels, escapes, ramming,
// both sides' shots, the weapons, explosions, death and the high score.
#include "world_fixture.h"

namespace {

using Sounds = std::vector<std::string>;

class WorldPlay : public PlayScreen {};

TEST_F(WorldPlay, NewWorldOpensWithLevelUpAndSpawnsOnItsFirstUpdate) {
    EXPECT_EQ(Sounds{"music"}, game_sounds);
    EXPECT_EQ(Sounds{"level up"}, new_world());
    EXPECT_EQ(0u, enemies().size());
    EXPECT_EQ(0, context.cursor_clip);

    EXPECT_EQ(Sounds{}, step());
    ASSERT_EQ(1u, enemies().size());
    EXPECT_EQ(WorldProbe::kind(*world, 0), WorldProbe::kind(*enemies()[0]));
    const double delay = WorldProbe::spawn_timer(*world).duration();
    EXPECT_GE(delay, 1200);
    EXPECT_LE(delay, 1700);
    EXPECT_EQ(1, WorldProbe::level(player()));
    EXPECT_EQ("SCORE 0", WorldProbe::score_text(*world));
    EXPECT_EQ("", WorldProbe::high_score_text(*world));
    EXPECT_EQ(1, context.cursor_clip);
    // The new enemy fired on its first update, from 50 px above the top
    // edge, so its shot left the screen in the same update.
    EXPECT_EQ(7000, WorldProbe::fire_timer(*enemies()[0]).duration());
    EXPECT_TRUE(WorldProbe::enemy_bullets(*world).empty());
}

TEST_F(WorldPlay, LevelFollowsTheScoreBothWays) {
    new_world();
    step();
    struct Row {
        int32_t score;
        int32_t level;
        float fire_interval;
        int32_t weapon;
        bool level_up;
    };
    const Row rows[] = {
        {499, 1, 210, 0, false},
        {500, 2, 160, 0, true},
        {2499, 2, 160, 0, false},
        {2500, 3, 100, 0, true},
        {5499, 3, 100, 0, false},
        {5500, 4, 80, 1, true},
        {14999, 4, 80, 1, false},
        {15000, 5, 80, 2, true},
        // Falling is silent and takes the lower row's interval and weapon.
        {2500, 3, 100, 0, false},
        {2400, 2, 160, 0, false},
        {-100, 1, 210, 0, false},
    };
    for (const Row& row : rows) {
        world->add_score(row.score - score());
        const Sounds sounds = step();
        EXPECT_EQ(row.level_up ? Sounds{"level up"} : Sounds{}, sounds) << row.score;
        EXPECT_EQ(row.level, WorldProbe::level(player())) << row.score;
        EXPECT_EQ(row.fire_interval, WorldProbe::fire_interval(player())) << row.score;
        EXPECT_EQ(row.weapon, WorldProbe::weapon(player())) << row.score;
    }
    EXPECT_EQ("SCORE -100", WorldProbe::score_text(*world));
}

TEST_F(WorldPlay, AnEscapedEnemyCostsAHundredWithoutAnExplosion) {
    new_world();
    step();
    Enemy& enemy = *enemies()[0];
    // Exactly at the bottom edge plus its height it is still in play.
    WorldProbe::position(enemy) = {320, 360 + 32};
    EXPECT_EQ(Sounds{}, step());
    EXPECT_FALSE(enemy.is_dead());

    WorldProbe::position(enemy) = {320, 360 + 32 + 0.5f};
    EXPECT_EQ(Sounds{"lost enemy"}, step());
    EXPECT_TRUE(enemy.is_dead());
    EXPECT_EQ(-100, score());
    EXPECT_EQ("SCORE -100", WorldProbe::score_text(*world));
    EXPECT_EQ(1, WorldProbe::level(player()));
    EXPECT_TRUE(WorldProbe::explosions(*world).empty());
    EXPECT_TRUE(WorldProbe::debris(*world).empty());
    // Still listed until the next update, which removes it without a sound.
    EXPECT_EQ(1u, enemies().size());
    EXPECT_EQ(Sounds{}, step());
    EXPECT_TRUE(enemies().empty());
}

TEST_F(WorldPlay, RammingKillsAnEnemy1AndHurtsTheShip) {
    context.input->mouse_position = {320, 180};
    new_world();
    step();
    // enemy1 (6 health) dies of one ram: +50, then -100.
    WorldProbe::position(*enemies()[0]) = {320, 180};
    const Sounds sounds = step();
    ASSERT_EQ(2u, sounds.size());
    EXPECT_TRUE(is_one_of(sounds[0], {"explosion1", "explosion2", "explosion3"})) << sounds[0];
    EXPECT_EQ("player hit", sounds[1]);
    EXPECT_EQ(-50, score());
    EXPECT_EQ(10, WorldProbe::health(player()));
    EXPECT_EQ(1u, WorldProbe::explosions(*world).size());
    EXPECT_EQ(40u, WorldProbe::debris(*world).size());
    EXPECT_EQ(Sounds{}, step());
    EXPECT_TRUE(enemies().empty());
}

TEST_F(WorldPlay, RammingRepeatsWhileBothOverlapAndStopsWithTheShip) {
    context.input->mouse_position = {320, 180};
    new_world();
    step();
    // enemy3 (14 health) survives the first ram (+1 - 100) and dies of the
    // second (+150 - 100), which also kills the ship.
    Enemy& enemy = WorldProbe::add_enemy(*world, 2);
    WorldProbe::fire_timer(enemy).start(100000);  // its shots would hit the ship too
    WorldProbe::position(enemy) = {320, 180};
    Sounds sounds = step();
    ASSERT_EQ(2u, sounds.size());
    EXPECT_TRUE(is_one_of(sounds[0], {"hit1", "hit2", "hit3"})) << sounds[0];
    EXPECT_EQ("player hit", sounds[1]);
    EXPECT_EQ(-99, score());
    EXPECT_EQ(4, WorldProbe::health(enemy));
    EXPECT_EQ(10, WorldProbe::health(player()));

    sounds = step();
    ASSERT_EQ(3u, sounds.size());
    EXPECT_TRUE(is_one_of(sounds[0], {"explosion1", "explosion2", "explosion3"})) << sounds[0];
    EXPECT_TRUE(is_one_of(sounds[1], {"explosion1", "explosion2", "explosion3"})) << sounds[1];
    EXPECT_EQ("player died", sounds[2]);
    EXPECT_EQ(-99 + 150 - 100, score());
    EXPECT_TRUE(player().is_dead());
    EXPECT_EQ(2u, WorldProbe::explosions(*world).size());

    // A dead ship rams nothing.
    Enemy& another = WorldProbe::add_enemy(*world, 2);
    WorldProbe::fire_timer(another).start(100000);
    WorldProbe::position(another) = {320, 180};
    EXPECT_EQ(Sounds{}, step());
    EXPECT_EQ(14, WorldProbe::health(another));
    EXPECT_EQ(-49, score());
}

TEST_F(WorldPlay, EnemyShotsHitEveryOneOverlappingThenFlyThroughTheWreck) {
    context.input->mouse_position = {320, 180};
    new_world();
    step();
    world->add_enemy_bullet(still_bullet({320, 180}, {6, 6}, 1));
    world->add_enemy_bullet(still_bullet({324, 183}, {6, 6}, 2));
    world->add_enemy_bullet(still_bullet({320, 240}, {6, 6}, 2));  // misses
    EXPECT_EQ((Sounds{"player hit", "player hit"}), step());
    EXPECT_EQ(-20, score());
    EXPECT_EQ(17, WorldProbe::health(player()));
    ASSERT_EQ(1u, WorldProbe::enemy_bullets(*world).size());
    EXPECT_EQ(240, WorldProbe::enemy_bullets(*world)[0]->position.y);

    // The lethal shot does not end the walk: the one after it hits as well.
    world->add_enemy_bullet(still_bullet({320, 180}, {6, 6}, 17));
    world->add_enemy_bullet(still_bullet({320, 180}, {6, 6}, 1));
    const Sounds sounds = step();
    ASSERT_EQ(4u, sounds.size());
    EXPECT_EQ("player died", sounds[1]);
    EXPECT_EQ("player died", sounds[3]);
    EXPECT_EQ(-40, score());
    EXPECT_EQ(-1, WorldProbe::health(player()));
    EXPECT_EQ(2u, WorldProbe::explosions(*world).size());
    EXPECT_EQ(80u, WorldProbe::debris(*world).size());

    world->add_enemy_bullet(still_bullet({320, 180}, {6, 6}, 1));
    EXPECT_EQ(Sounds{}, step());
    EXPECT_EQ(-40, score());
    EXPECT_EQ(2u, WorldProbe::enemy_bullets(*world).size());
}

TEST_F(WorldPlay, PlayerShotsScoreHitsAndKillsAndHitOnlyTheFirstEnemy) {
    context.input->mouse_position = {320, 300};
    new_world();
    step();
    Enemy& first = *enemies()[0];
    Enemy& second = WorldProbe::add_enemy(*world, 0);
    WorldProbe::position(first) = {200, 100};
    WorldProbe::position(second) = {200, 100};

    // Overlapping both, the shot hits the earlier enemy only: +1.
    world->add_player_bullet(still_bullet({200, 100}, {1, 11}, 1));
    Sounds sounds = step();
    ASSERT_EQ(1u, sounds.size());
    EXPECT_TRUE(is_one_of(sounds[0], {"hit1", "hit2", "hit3"})) << sounds[0];
    EXPECT_EQ(1, score());
    EXPECT_EQ(5, WorldProbe::health(first));
    EXPECT_EQ(6, WorldProbe::health(second));
    EXPECT_TRUE(WorldProbe::player_bullets(*world).empty());

    // A lethal shot scores the kind's value and no +1.
    world->add_player_bullet(still_bullet({200, 100}, {1, 11}, 5));
    sounds = step();
    ASSERT_EQ(1u, sounds.size());
    EXPECT_TRUE(is_one_of(sounds[0], {"explosion1", "explosion2", "explosion3"})) << sounds[0];
    EXPECT_EQ(51, score());
    EXPECT_TRUE(first.is_dead());

    // Two shots on one enemy in one update both hit, the second one a
    // dead enemy again: two kills, two explosions.
    WorldProbe::position(second) = {400, 100};
    world->add_player_bullet(still_bullet({400, 100}, {1, 11}, 6));
    world->add_player_bullet(still_bullet({401, 101}, {1, 11}, 1));
    world->add_player_bullet(still_bullet({500, 100}, {1, 11}, 1));  // misses
    sounds = step();
    EXPECT_EQ(2u, sounds.size());
    EXPECT_EQ(151, score());
    EXPECT_EQ(-1, WorldProbe::health(second));
    EXPECT_EQ(3u, WorldProbe::explosions(*world).size());
    EXPECT_EQ(1u, WorldProbe::player_bullets(*world).size());
}

TEST_F(WorldPlay, WeaponsFireTheirVolleysOncePerInterval) {
    struct Row {
        int32_t score;
        const char* texture;
        std::vector<float> offsets;
        float spread;
        float speed;
        float power;
        Vec2f size;
        const char* sound;
    };
    const Row rows[] = {
        {0, "bullet", {0}, 2.2f, 0.7f, 1.0f, {1, 11}, "gun"},
        {5500, "bullet", {-8, 8}, 0.8f, 0.9f, 0.7f, {1, 11}, "gun"},
        {15000, "laser", {0}, 0.7f, 1.3f, 3.0f, {1, 23}, "laser"},
    };
    context.input->mouse_position = {300, 350};
    for (const Row& row : rows) {
        context.input->keys[32] = 0;
        new_world();
        world->add_score(row.score);
        step(300);  // past the first interval, not shooting
        context.input->keys[32] = 1;
        EXPECT_EQ(Sounds{row.sound}, step()) << row.score;
        const std::vector<std::unique_ptr<Bullet>>& shots = WorldProbe::player_bullets(*world);
        ASSERT_EQ(row.offsets.size(), shots.size()) << row.score;
        // The ship stands against the bottom edge: its centre is 16 px above it.
        for (size_t i = 0; i < shots.size(); ++i) {
            EXPECT_EQ(300 + row.offsets[i], shots[i]->position.x);
            EXPECT_EQ(344, shots[i]->position.y);
            EXPECT_EQ(context.graphics->get_texture(row.texture), shots[i]->sprite.texture());
            EXPECT_EQ(row.size.x, shots[i]->size.x);
            EXPECT_EQ(row.size.y, shots[i]->size.y);
            EXPECT_EQ(row.speed, shots[i]->speed);
            EXPECT_EQ(row.power, shots[i]->power);
            EXPECT_LE(-row.spread, shots[i]->heading);
            EXPECT_GE(row.spread, shots[i]->heading);
        }
        // Held, the next volley comes one interval after this one.
        const float interval = WorldProbe::fire_interval(player());
        EXPECT_EQ(Sounds{}, step(interval - 1));
        EXPECT_EQ(Sounds{row.sound}, step(1));
        world.reset();
    }
}

TEST_F(WorldPlay, ExplosionStepsThroughItsStripAndEndsAfter250Milliseconds) {
    context.input->mouse_position = {320, 300};
    new_world();
    step();
    Enemy& enemy = *enemies()[0];
    WorldProbe::position(enemy) = {200, 100};
    world->add_player_bullet(still_bullet({200, 100}, {1, 11}, 6));
    step();
    ASSERT_EQ(1u, WorldProbe::explosions(*world).size());
    const Explosion& explosion = *WorldProbe::explosions(*world)[0];
    EXPECT_EQ(200, explosion.position.x);
    EXPECT_EQ(100, explosion.position.y);
    EXPECT_EQ(150, explosion.sprite.position().x);
    EXPECT_EQ(50, explosion.sprite.position().y);
    EXPECT_EQ(100, explosion.sprite.size().x);
    EXPECT_EQ(100, explosion.sprite.size().y);
    EXPECT_EQ(40u, WorldProbe::debris(*world).size());
    for (int frame = 0; frame < 10; ++frame) {
        const Vec4f rect = explosion.sprite.texture_rect();
        EXPECT_FLOAT_EQ(frame * 100 / 1000.0f, rect.x1) << frame;
        EXPECT_EQ(0, rect.y1);
        EXPECT_FLOAT_EQ(0.1f, rect.x2);
        EXPECT_EQ(1, rect.y2);
        step(25);
        if (frame < 9) {
            ASSERT_EQ(1u, WorldProbe::explosions(*world).size()) << frame;
        }
    }
    EXPECT_TRUE(WorldProbe::explosions(*world).empty());
    EXPECT_EQ(40u, WorldProbe::debris(*world).size());
}

TEST_F(WorldPlay, DeathHandsTheScoreToTheGameForTheNextPlayScreen) {
    context.input->mouse_position = {320, 180};
    new_world();
    step();
    world->add_score(1234);
    step();
    EXPECT_EQ(0, game->high_score());  // taken only while the ship is dead
    world->add_enemy_bullet(still_bullet({320, 180}, {6, 6}, 20));
    step();
    EXPECT_TRUE(player().is_dead());
    EXPECT_EQ(1224, game->high_score());
    // Shown from the update after the one in which the Game took it.
    EXPECT_EQ("", WorldProbe::high_score_text(*world));
    step();
    EXPECT_EQ("HIGH SCORE 1224", WorldProbe::high_score_text(*world));

    // An escape after the death lowers the score, never the stored one.
    WorldProbe::position(*enemies()[0]) = {320, 500};
    step();
    EXPECT_EQ(1124, score());
    EXPECT_EQ(1224, game->high_score());

    EXPECT_EQ(Sounds{"level up"}, new_world());
    step();
    EXPECT_EQ("SCORE 0", WorldProbe::score_text(*world));
    EXPECT_EQ("HIGH SCORE 1224", WorldProbe::high_score_text(*world));
    EXPECT_FALSE(player().is_dead());
    EXPECT_EQ(1u, enemies().size());
}

TEST_F(WorldPlay, AShootKeyOutsideTheKeyTableIsNeverDown) {
    context.key_shoot = 256 + 32;
    for (uint8_t& key : context.input->keys) key = 1;
    new_world();
    step(300);
    EXPECT_EQ(Sounds{}, step());
    EXPECT_TRUE(WorldProbe::player_bullets(*world).empty());
    context.input->mouse_left = 1;
    EXPECT_EQ(Sounds{"gun"}, step());
}

class WorldWithoutEnemyArt : public PlayScreen {
    std::set<std::string> leave_out() const override { return {"enemy1", "explosion"}; }
};

TEST_F(WorldWithoutEnemyArt, MissingTexturesLeavePointHitBoxesAndKeepTheExplosionRect) {
    context.input->mouse_position = {320, 300};
    new_world();
    EXPECT_EQ(nullptr, WorldProbe::kind(*world, 0)->texture);
    EXPECT_EQ(0, WorldProbe::kind(*world, 0)->size.x);
    EXPECT_EQ(0, WorldProbe::kind(*world, 0)->origin.y);
    step();
    Enemy& enemy = *enemies()[0];
    const Vec4f box = enemy.get_hitbox();
    EXPECT_EQ(0, box.x2);
    EXPECT_EQ(0, box.y2);

    // A shot on the point still hits, and the explosion without its strip
    // times out with its debris made.
    WorldProbe::position(enemy) = {200, 100};
    world->add_player_bullet(still_bullet({200, 100}, {1, 11}, 6));
    step();
    ASSERT_EQ(1u, WorldProbe::explosions(*world).size());
    EXPECT_EQ(40u, WorldProbe::debris(*world).size());
    step(100);
    const Vec4f rect = WorldProbe::explosions(*world)[0]->sprite.texture_rect();
    EXPECT_EQ(0, rect.x1);
    EXPECT_EQ(1, rect.x2);
    step(150);
    EXPECT_TRUE(WorldProbe::explosions(*world).empty());
}

}  // namespace
