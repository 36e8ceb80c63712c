// Frames as the game draws them: N alpha-blended 32 x 32 sprites of one
// texture through a 640 x 360 target composited onto a 1280 x 720 window,
// and lines of text, each frame finished with glFinish. Run under Xvfb.
#include "graphics/Renderer.h"
#include "tests/graphics/GlWindow.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <iostream>
#include <memory>
#include <vector>

namespace {

constexpr int window_width = 1280;
constexpr int window_height = 720;
const Vec2i logical{640, 360};

void fit(Renderer& renderer) {
    renderer.set_window_size(Vec2i{window_width, window_height});
    renderer.set_display_size(Vec2f{window_width, window_height});
    renderer.set_scaling(true);
    renderer.create_target(logical, false);
}

// A soft disc: opaque in the middle, fading to transparent at the rim.
std::vector<uint8_t> disc_pixels() {
    std::vector<uint8_t> pixels;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const double r = std::hypot(x + 0.5 - 16, y + 0.5 - 16) / 16;
            const uint8_t alpha = static_cast<uint8_t>(r >= 1 ? 0 : 255 * (1 - r * r));
            pixels.insert(pixels.end(),
                          {255, static_cast<uint8_t>(8 * x), static_cast<uint8_t>(8 * y), alpha});
        }
    return pixels;
}

void frame(Renderer& renderer) {
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    renderer.render();
    renderer.clear();
    glFinish();
}

void sprites(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    Texture texture;
    texture.load(disc_pixels(), Vec2i{32, 32}, false);
    std::vector<Sprite> queued(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        Sprite& sprite = queued[static_cast<size_t>(i)];
        sprite.set_texture(&texture);
        sprite.set_position(Vec2f{static_cast<float>((i * 37) % (logical.x - 32)),
                                  static_cast<float>((i * 53) % (logical.y - 32))});
        sprite.set_rotation(static_cast<float>(i % 4 == 0 ? (i * 7) % 360 : 0));
    }
    Renderer renderer;
    fit(renderer);
    for (auto _ : state) {
        for (const Sprite& sprite : queued) renderer.draw(sprite);
        frame(renderer);
    }
    state.counters["sprites"] = count;
}
// 0 gives the fixed cost of a frame: clearing, compositing and finishing.
BENCHMARK(sprites)
    ->Arg(0)
    ->Arg(250)
    ->Arg(500)
    ->Arg(750)
    ->Arg(1000)
    ->Arg(1250)
    ->Arg(1500)
    ->Arg(2000)
    ->Arg(4000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void text(benchmark::State& state) {
    Font font;
    if (font.load("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", 20) != 0) {
        state.SkipWithError("no DejaVu face");
        return;
    }
    // Ten lines of fifty glyphs.
    std::vector<Text> lines(10);
    for (int i = 0; i < 10; ++i) {
        std::string line;
        for (int c = 0; c < 50; ++c) line += static_cast<char>('!' + (i * 50 + c) % 94);
        lines[static_cast<size_t>(i)].set_font(&font);
        lines[static_cast<size_t>(i)].set_string(line);
        lines[static_cast<size_t>(i)].set_position(Vec2f{8, static_cast<float>(30 + 32 * i)});
    }
    Renderer renderer;
    fit(renderer);
    for (auto _ : state) {
        for (const Text& line : lines) renderer.draw_text(line);
        frame(renderer);
    }
    state.counters["glyphs"] = 500;
}
BENCHMARK(text)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    auto gl = std::make_unique<GlWindow>(window_width, window_height);
    if (!gl->ready()) {
        std::cout << "No OpenGL window (run under xvfb-run).\n";
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
