// The cost of one World::update plus World::draw queueing (and the renderers'
// clear) with N enemies on the screen and their shots in flight, while the
// ship holds SHOOT and sweeps the screen. Needs a display (run under Xvfb):
// the textures live in a GL context.
//
// Sounds go to an empty Sound store, whose "could not be found" lines are
// sent to /dev/null while the play screen runs; decoding is not measured.
#include "tests/game/world_stage.h"

#include "audio/Sound.h"
#include "game/Game.h"
#include "platform/Input.h"
#include "win32/testing.h"

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <memory>

namespace {

// A play screen with enemies of the three kinds spread over the upper
// screen, each having taken its first update (and fired). Their shots need
// more than half a second to reach the ship at the bottom.
std::unique_ptr<World> crowded_world(GameContext& context, Game& game, int enemies) {
    auto world = std::make_unique<World>(&context, &game);
    world->update();
    for (int i = 0; i < enemies; ++i) {
        Enemy& enemy = WorldProbe::add_enemy(*world, i % 3);
        WorldProbe::position(enemy) = {random_float(40, 600), random_float(0, 150)};
    }
    testing_advance_clock_ms(16);
    world->update();
    return world;
}

void BM_WorldFrame(benchmark::State& state) {
    GlStage stage;
    if (!stage.ready()) {
        state.SkipWithError("no GL context (run under Xvfb)");
        return;
    }
    testing_set_manual_clock(true);
    rng.seed(3);
    GameContext context;
    context.screen_rect = {0, 0, 640, 360};

    std::cout.flush();
    std::fflush(stdout);
    const int saved_stdout = dup(1);
    const int null_output = open("/dev/null", O_WRONLY);
    dup2(null_output, 1);

    context.graphics = make_graphics();
    context.sound = std::make_unique<Sound>();
    context.input = std::make_unique<Input>(&context);
    context.input->keys[context.key_shoot] = 1;
    Game game(&context);

    const int enemies = static_cast<int>(state.range(0));
    std::unique_ptr<World> world = crowded_world(context, game, enemies);
    int frame = 0;
    size_t enemy_shots = 0;
    size_t shots = 0;
    for (auto _ : state) {
        // A fresh crowd every half second of play, so the count stays near N
        // and the ship lives and shoots.
        if (++frame % 32 == 0) {
            state.PauseTiming();
            world = crowded_world(context, game, enemies);
            state.ResumeTiming();
        }
        context.input->mouse_position = {static_cast<float>(40 + frame * 7 % 560), 344};
        testing_advance_clock_ms(16);
        world->update();
        world->draw();
        context.field_renderer.clear();
        context.bar_renderer.clear();
        context.text_renderer.clear();
        enemy_shots += WorldProbe::enemy_bullets(*world).size();
        shots += WorldProbe::player_bullets(*world).size();
    }
    state.counters["enemy_shots"] = benchmark::Counter(static_cast<double>(enemy_shots) /
                                                       static_cast<double>(state.iterations()));
    state.counters["ship_shots"] =
        benchmark::Counter(static_cast<double>(shots) / static_cast<double>(state.iterations()));

    world.reset();
    context.input.reset();
    context.sound.reset();
    context.graphics.reset();
    std::cout.flush();
    std::fflush(stdout);
    dup2(saved_stdout, 1);
    close(saved_stdout);
    close(null_output);
    testing_set_manual_clock(false);
}

BENCHMARK(BM_WorldFrame)->Arg(50)->Arg(200)->Arg(1000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
