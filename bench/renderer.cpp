// Frames as the game draws them: a 640 x 360 render target composited onto
// a 1280 x 720 window, each frame finished with glFinish. Run under Xvfb:
//   xvfb-run -a -s "-screen 0 1280x720x24" build/release/bench/bench_renderer
//
// The scenes: N alpha-blended 32 x 32 sprites of one texture, unrotated or
// with every fourth one turned; N rectangles, filled and outlined in turn;
// ten lines of text. Beside the Renderer, two plain-GL loops draw the same
// sprites into a target of their own and composite it the same way: one
// glBegin/glEnd and one translation per sprite with texturing switched on
// once (the least a Renderer must match), and every quad in one
// glBegin/glEnd with the vertices placed on the CPU (what batching can
// reach). Each case reports wall time and the drawing thread's CPU time per
// frame, as the median of the repetitions, and the minor page faults per
// frame of the drawing thread (the driver's heap churn) and of the whole
// process (with the rasteriser threads, noisier); after the runs a table gives
// the Renderer's times as ratios to both references, and how many sprites
// fit in a 60 Hz frame.
#include "graphics/Renderer.h"
#include "tests/graphics/GlWindow.h"

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cmath>
#include <cstdio>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int window_width = 1280;
constexpr int window_height = 720;
const Vec2i logical{640, 360};
constexpr int sprite_side = 32;
constexpr double frame_budget_ms = 1000.0 / 60;

// A soft disc: opaque in the middle, fading to transparent at the rim.
std::vector<uint8_t> disc_pixels() {
    std::vector<uint8_t> pixels;
    for (int y = 0; y < sprite_side; ++y)
        for (int x = 0; x < sprite_side; ++x) {
            const double r = std::hypot(x + 0.5 - 16, y + 0.5 - 16) / 16;
            const uint8_t alpha = static_cast<uint8_t>(r >= 1 ? 0 : 255 * (1 - r * r));
            pixels.insert(pixels.end(),
                          {255, static_cast<uint8_t>(8 * x), static_cast<uint8_t>(8 * y), alpha});
        }
    return pixels;
}

// The sprite scene: positions spread over the target, every fourth sprite
// turned when asked.
std::vector<Sprite> scene(Texture& texture, int count, bool turned) {
    std::vector<Sprite> sprites(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        Sprite& sprite = sprites[static_cast<size_t>(i)];
        sprite.set_texture(&texture);
        sprite.set_position(Vec2f{static_cast<float>((i * 37) % (logical.x - sprite_side)),
                                  static_cast<float>((i * 53) % (logical.y - sprite_side))});
        if (turned && i % 4 == 0) sprite.set_rotation(static_cast<float>((i * 7) % 360));
    }
    return sprites;
}

void fit(Renderer& renderer) {
    renderer.set_window_size(Vec2i{window_width, window_height});
    renderer.set_display_size(Vec2f{window_width, window_height});
    renderer.set_scaling(true);
    renderer.create_target(logical, false);
}

// Minor page faults so far, of the drawing thread or of the whole process
// (the driver's rasteriser threads included).
long minor_faults(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return usage.ru_minflt;
}

// Times frame() once per iteration; the page faults per frame as counters.
template <typename Frame>
void measure(benchmark::State& state, Frame frame) {
    frame();  // the first frame allocates what later frames reuse
    const long thread_before = minor_faults(RUSAGE_THREAD);
    const long process_before = minor_faults(RUSAGE_SELF);
    for (auto _ : state) frame();
    const double frames = static_cast<double>(state.iterations());
    state.counters["faults/frame"] =
        static_cast<double>(minor_faults(RUSAGE_THREAD) - thread_before) / frames;
    state.counters["process faults/frame"] =
        static_cast<double>(minor_faults(RUSAGE_SELF) - process_before) / frames;
}

void begin_window_frame() {
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
}

void renderer_frame(Renderer& renderer) {
    begin_window_frame();
    renderer.render();
    renderer.clear();
    glFinish();
}

void renderer_sprites(benchmark::State& state, bool turned) {
    Texture texture;
    texture.load(disc_pixels(), Vec2i{sprite_side, sprite_side}, false);
    const std::vector<Sprite> sprites = scene(texture, static_cast<int>(state.range(0)), turned);
    Renderer renderer;
    fit(renderer);
    measure(state, [&] {
        for (const Sprite& sprite : sprites) renderer.draw(sprite);
        renderer_frame(renderer);
    });
}

void renderer_shapes(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    std::vector<Shape> shapes(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const Vec2f corner{static_cast<float>((i * 37) % (logical.x - 16)),
                           static_cast<float>((i * 53) % (logical.y - 16))};
        const Vec4f colour{1, 0.5f, 0.25f, 0.75f};
        const Vec4f none{0, 0, 0, 0};
        shapes[static_cast<size_t>(i)].set_rectangle(corner, Vec2f{corner.x + 16, corner.y + 16},
                                                     i % 2 ? colour : none, i % 2 ? none : colour,
                                                     1);
    }
    Renderer renderer;
    fit(renderer);
    measure(state, [&] {
        for (const Shape& shape : shapes) renderer.draw(shape);
        renderer_frame(renderer);
    });
}

void renderer_text(benchmark::State& state) {
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
    measure(state, [&] {
        for (const Text& line : lines) renderer.draw_text(line);
        renderer_frame(renderer);
    });
}

// The plain-GL references: a target of their own, drawn and composited as
// the Renderer does, with the sprites drawn one of two ways.
class Reference {
public:
    // One glBegin/glEnd and one translation (and rotation) per sprite.
    void per_sprite(const std::vector<Sprite>& sprites) {
        begin_pass(sprites);
        for (const Sprite& sprite : sprites) {
            const Vec2f p = sprite.position();
            const Vec2f s = sprite.size();
            glLoadIdentity();
            float x0 = 0;
            float y0 = 0;
            if (sprite.rotation() != 0) {
                glTranslatef(p.x + s.x / 2, p.y + s.y / 2, 0);
                glRotatef(sprite.rotation(), 0, 0, 1);
                x0 = -s.x / 2;
                y0 = -s.y / 2;
            } else {
                glTranslatef(p.x, p.y, 0);
            }
            glBegin(GL_QUADS);
            quad(x0, y0, s.x, s.y);
            glEnd();
        }
        end_pass();
    }

    // Every quad in one glBegin/glEnd, placed (and turned) on the CPU.
    void batched(const std::vector<Sprite>& sprites) {
        begin_pass(sprites);
        glLoadIdentity();
        glBegin(GL_QUADS);
        for (const Sprite& sprite : sprites) {
            const Vec2f p = sprite.position();
            const Vec2f s = sprite.size();
            if (sprite.rotation() == 0) {
                glTexCoord2f(0, 1);
                glVertex2f(p.x, p.y + s.y);
                glTexCoord2f(1, 1);
                glVertex2f(p.x + s.x, p.y + s.y);
                glTexCoord2f(1, 0);
                glVertex2f(p.x + s.x, p.y);
                glTexCoord2f(0, 0);
                glVertex2f(p.x, p.y);
                continue;
            }
            const float a = sprite.rotation() * 0.0174532925f;
            const float c = std::cos(a);
            const float n = std::sin(a);
            const float cx = p.x + s.x / 2;
            const float cy = p.y + s.y / 2;
            const float corners[4][4] = {{-s.x / 2, s.y / 2, 0, 1},
                                         {s.x / 2, s.y / 2, 1, 1},
                                         {s.x / 2, -s.y / 2, 1, 0},
                                         {-s.x / 2, -s.y / 2, 0, 0}};
            for (const auto& v : corners) {
                glTexCoord2f(v[2], v[3]);
                glVertex2f(cx + c * v[0] - n * v[1], cy + n * v[0] + c * v[1]);
            }
        }
        glEnd();
        end_pass();
    }

private:
    void begin_pass(const std::vector<Sprite>& sprites) {
        begin_window_frame();
        target.begin_pass(logical);
        glLoadIdentity();
        glEnable(GL_TEXTURE_2D);
        glColor4f(1, 1, 1, 1);
        if (!sprites.empty()) glBindTexture(GL_TEXTURE_2D, sprites.front().texture()->get_name());
    }

    static void quad(float x0, float y0, float w, float h) {
        glTexCoord2f(0, 1);
        glVertex2f(x0, y0 + h);
        glTexCoord2f(1, 1);
        glVertex2f(x0 + w, y0 + h);
        glTexCoord2f(1, 0);
        glVertex2f(x0 + w, y0);
        glTexCoord2f(0, 0);
        glVertex2f(x0, y0);
    }

    void end_pass() {
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
        glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glViewport(0, 0, window_width, window_height);
        glOrtho(0, window_width, window_height, 0, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glBindTexture(GL_TEXTURE_2D, target.texture());
        glBegin(GL_QUADS);
        quad(0, 0, window_width, window_height);
        glEnd();
        glDisable(GL_TEXTURE_2D);
        glFinish();
    }

    GlTarget target{logical.x, logical.y};
};

void reference_sprites(benchmark::State& state, bool turned, bool batched) {
    Texture texture;
    texture.load(disc_pixels(), Vec2i{sprite_side, sprite_side}, false);
    const std::vector<Sprite> sprites = scene(texture, static_cast<int>(state.range(0)), turned);
    Reference reference;
    measure(state, [&] {
        if (batched)
            reference.batched(sprites);
        else
            reference.per_sprite(sprites);
    });
}

void sprite_counts(benchmark::internal::Benchmark* b) {
    // 0 gives the fixed cost of a frame: clearing, compositing, finishing.
    b->Arg(0)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond)->UseRealTime();
}

BENCHMARK_CAPTURE(renderer_sprites, plain, false)->Apply(sprite_counts);
BENCHMARK_CAPTURE(reference_sprites, per_sprite_plain, false, false)->Apply(sprite_counts);
BENCHMARK_CAPTURE(reference_sprites, batched_plain, false, true)->Apply(sprite_counts);
BENCHMARK_CAPTURE(renderer_sprites, turned, true)->Apply(sprite_counts);
BENCHMARK_CAPTURE(reference_sprites, per_sprite_turned, true, false)->Apply(sprite_counts);
BENCHMARK_CAPTURE(reference_sprites, batched_turned, true, true)->Apply(sprite_counts);
BENCHMARK(renderer_shapes)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(renderer_text)->Unit(benchmark::kMillisecond)->UseRealTime();

// Keeps the medians (or the single runs, without repetitions) for the table.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    // Milliseconds per frame (every case reports in milliseconds).
    struct Figures {
        double wall_ms;
        double cpu_ms;
    };

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
            if (median || single)
                figures[run.run_name.str()] = {run.GetAdjustedRealTime(), run.GetAdjustedCPUTime()};
        }
    }

    void print_table() const {
        std::printf(
            "\nRenderer against the plain-GL references (medians; ratio = Renderer / "
            "reference, below 1 is faster)\n");
        std::printf("%-8s %6s %9s %9s %11s %11s %11s %11s %8s\n", "scene", "N", "wall ms", "cpu ms",
                    "wall/ref1", "cpu/ref1", "wall/batch", "cpu/batch", "fit 60Hz");
        for (const char* scene_name : {"plain", "turned"})
            for (const int n : {1000, 5000}) {
                const Figures* own = find("renderer_sprites/", scene_name, n);
                const Figures* per = find("reference_sprites/per_sprite_", scene_name, n);
                const Figures* batch = find("reference_sprites/batched_", scene_name, n);
                const Figures* empty = find("renderer_sprites/", scene_name, 0);
                if (!own || !per || !batch) continue;
                // Fixed cost from the empty frame, the rest shared by the sprites.
                const double fixed = empty ? empty->wall_ms : 0;
                const double fit = (frame_budget_ms - fixed) / ((own->wall_ms - fixed) / n);
                std::printf("%-8s %6d %9.2f %9.2f %11.2f %11.2f %11.2f %11.2f %8.0f\n", scene_name,
                            n, own->wall_ms, own->cpu_ms, own->wall_ms / per->wall_ms,
                            own->cpu_ms / per->cpu_ms, own->wall_ms / batch->wall_ms,
                            own->cpu_ms / batch->cpu_ms, fit);
            }
        for (const char* scene_name : {"plain", "turned"})
            for (const char* kind : {"per_sprite_", "batched_"}) {
                const Figures* empty = find("reference_sprites/", kind, 0, scene_name);
                const Figures* most = find("reference_sprites/", kind, 5000, scene_name);
                if (!empty || !most) continue;
                std::printf(
                    "reference %s%s: %.0f sprites fit in 60 Hz\n", kind, scene_name,
                    (frame_budget_ms - empty->wall_ms) / ((most->wall_ms - empty->wall_ms) / 5000));
            }
    }

private:
    const Figures* find(const std::string& prefix, const std::string& middle, int n,
                        const std::string& suffix = "") const {
        const auto found =
            figures.find(prefix + middle + suffix + "/" + std::to_string(n) + "/real_time");
        return found == figures.end() ? nullptr : &found->second;
    }

    std::map<std::string, Figures> figures;
};

}  // namespace

int main(int argc, char** argv) {
    // Medians of three unless the command line says otherwise.
    std::vector<char*> arguments(argv, argv + argc);
    std::string repetitions = "--benchmark_repetitions=3";
    bool given = false;
    for (int i = 1; i < argc; ++i)
        given = given || std::string(argv[i]).rfind("--benchmark_repetitions", 0) == 0;
    if (!given) arguments.push_back(repetitions.data());
    int count = static_cast<int>(arguments.size());
    benchmark::Initialize(&count, arguments.data());
    auto gl = std::make_unique<GlWindow>(window_width, window_height);
    if (!gl->ready()) {
        std::cout << "No OpenGL window (run under xvfb-run).\n";
        return 1;
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.print_table();
    benchmark::Shutdown();
    return 0;
}
