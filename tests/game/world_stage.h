// The play screen on a test stage, shared by its tests and its benchmark: a
// window with a GL context, a Graphics store holding the textures the play
// screen asks for at the sizes of the game's art, and a probe that reaches
// inside World, Player and Enemy (it is their friend).
#pragma once

#include "core/Math.h"
#include "game/Bullet.h"
#include "game/Enemy.h"
#include "game/EnemyType.h"
#include "game/GameContext.h"
#include "game/Player.h"
#include "game/World.h"
#include "graphics/GlSetup.h"
#include "graphics/Graphics.h"

#include <GL/glew.h>
#include <lodepng.h>
#include <unistd.h>
#include <windows.h>

#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

// Reaches inside the play screen's objects (a friend of World, Player and
// Enemy).
struct WorldProbe {
    static Player& player(World& world) { return *world.player; }
    static std::vector<std::unique_ptr<Enemy>>& enemies(World& world) { return world.enemies; }
    static std::vector<std::unique_ptr<Bullet>>& player_bullets(World& world) {
        return world.player_bullets;
    }
    static std::vector<std::unique_ptr<Bullet>>& enemy_bullets(World& world) {
        return world.enemy_bullets;
    }
    static std::vector<std::unique_ptr<Explosion>>& explosions(World& world) {
        return world.explosions;
    }
    static std::vector<std::unique_ptr<DebrisParticle>>& debris(World& world) {
        return world.debris;
    }
    static const EnemyType* kind(World& world, int index) { return world.enemy_types[index].get(); }
    static Star& star(World& world, int index) { return world.stars[index]; }
    static int32_t score(World& world) { return world.score; }
    static Timer& spawn_timer(World& world) { return world.spawn_timer; }
    static Timer& play_clock(World& world) { return world.play_clock; }
    static std::string score_text(World& world) {
        return world.score_text.string().to_std_string();
    }
    static std::string high_score_text(World& world) {
        return world.high_score_text.string().to_std_string();
    }
    static void spawn_enemies(World& world) { world.spawn_enemies(); }
    // A new enemy of the kind, appended as the spawner would.
    static Enemy& add_enemy(World& world, int kind) {
        world.enemies.push_back(
            std::make_unique<Enemy>(world.context, &world, world.enemy_types[kind].get()));
        return *world.enemies.back();
    }

    static int32_t level(Player& p) { return p.level; }
    static int32_t weapon(Player& p) { return p.weapon; }
    static float fire_interval(Player& p) { return p.fire_interval; }
    static Timer& fire_timer(Player& p) { return p.fire_timer; }
    static float health(Player& p) { return p.health; }
    static Vec2f position(Player& p) { return p.position; }
    static const Sprite& sprite(Player& p) { return p.sprite; }
    static const Shape& bar_fill(Player& p) { return p.bar_fill; }
    static void set_level(Player& p, int32_t level) { p.set_level(level); }

    static const EnemyType* kind(Enemy& e) { return e.type; }
    static Vec2f& position(Enemy& e) { return e.position; }
    static void place(Enemy& e, const Vec2f& at) { e.position = at; }
    static float& heading(Enemy& e) { return e.heading; }
    static float& target_heading(Enemy& e) { return e.target_heading; }
    static Timer& wander_timer(Enemy& e) { return e.wander_timer; }
    static Timer& fire_timer(Enemy& e) { return e.fire_timer; }
    static float health(Enemy& e) { return e.health; }
    static const Sprite& sprite(Enemy& e) { return e.sprite; }
    static const Shape& bar_fill(Enemy& e) { return e.bar_fill; }
    static const Shape& bar_background(Enemy& e) { return e.bar_background; }
};

// The textures the play screen asks for, at the sizes the game's art has.
struct PlayTexture {
    const char* name;
    int width;
    int height;
};

inline const PlayTexture play_textures[] = {
    {"ship", 32, 32},   {"bullet", 3, 11},  {"laser", 3, 23},       {"enemy1", 32, 32},
    {"enemy2", 36, 36}, {"enemy3", 40, 40}, {"enemy_bullet", 6, 6}, {"explosion", 1000, 100},
};

inline const char* const font_path = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf";

inline LRESULT CALLBACK stage_window_procedure(HWND window, UINT message, WPARAM wparam,
                                               LPARAM lparam) {
    return DefWindowProcA(window, message, wparam, lparam);
}

// A window of width x height client pixels with the game thread's pixel
// format and fixed OpenGL state (graphics/GlSetup.h) and a GL context current
// on this thread for the stage's life.
class GlStage {
public:
    explicit GlStage(int width = 640, int height = 360) {
        WNDCLASSEXA window_class{};
        window_class.cbSize = sizeof window_class;
        window_class.lpfnWndProc = stage_window_procedure;
        window_class.hInstance = GetModuleHandleA(nullptr);
        window_class.lpszClassName = "world_stage";
        RegisterClassExA(&window_class);  // fails harmlessly for a second stage
        window = CreateWindowExA(0, "world_stage", "world stage", WS_POPUP | WS_VISIBLE, 0, 0,
                                 width, height, nullptr, nullptr, window_class.hInstance, nullptr);
        if (!window) return;
        dc = GetDC(window);
        if (!set_pixel_format(dc)) return;
        context = wglCreateContext(dc);
        if (!wglMakeCurrent(dc, context)) return;
        set_fixed_gl_state();
        glewExperimental = GL_TRUE;
        if (glewInit() != GLEW_OK) return;
        ok = true;
    }
    ~GlStage() {
        wglMakeCurrent(nullptr, nullptr);
        if (context) wglDeleteContext(context);
        if (dc) ReleaseDC(window, dc);
        if (window) DestroyWindow(window);
    }
    GlStage(const GlStage&) = delete;
    GlStage& operator=(const GlStage&) = delete;

    bool ready() const { return ok; }

private:
    HWND window = nullptr;
    HDC dc = nullptr;
    HGLRC context = nullptr;
    bool ok = false;
};

// A store holding every texture of play_textures except the ones named in
// leave_out, and the font "lucon". PNG files are made in a scratch folder.
inline std::unique_ptr<Graphics> make_graphics(const std::set<std::string>& leave_out = {}) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("quillfen_world_" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    auto graphics = std::make_unique<Graphics>();
    for (const PlayTexture& art : play_textures) {
        if (leave_out.count(art.name)) continue;
        std::vector<unsigned char> pixels(art.width * art.height * 4);
        for (size_t i = 0; i < pixels.size(); i += 4) {
            pixels[i] = 200;
            pixels[i + 1] = 120;
            pixels[i + 2] = 40;
            pixels[i + 3] = 255;
        }
        const std::string path = (folder / (std::string(art.name) + ".png")).string();
        lodepng::encode(path, pixels, art.width, art.height);
        graphics->import_png(path.c_str(), art.name);
    }
    graphics->import_truetype(font_path, "lucon", 20);
    std::filesystem::remove_all(folder);
    return graphics;
}
