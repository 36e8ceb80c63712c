#include "game/GameThread.h"

#include "audio/Sound.h"
#include "core/Config.h"
#include "core/Math.h"
#include "core/String.h"
#include "core/Thread.h"
#include "core/Timer.h"
#include "game/FrameCap.h"
#include "game/Game.h"
#include "game/GameContext.h"
#include "graphics/GlSetup.h"
#include "graphics/Graphics.h"
#include "graphics/Text.h"
#include "platform/Input.h"
#include "platform/Window.h"

#include <GL/glew.h>
#include <windows.h>

#include <algorithm>
#include <iostream>
#include <memory>

namespace {

Vec2i read_size(const GameContext& context, const char* key) {
    return to_vec2i(context.config.get("pipeline", key).split(","));
}

void apply_pipeline(GameContext& context, Window& window) {
    context.frame_cap = truncate_to_int(context.config.get("pipeline", "vsync").to_double());
    context.swap_buffers = context.config.get("pipeline", "swap buffers").to_int() != 0 ? 1 : 0;
    // The render targets are textures: a side beyond what GL can hold would
    // leave them incomplete, or make the driver fail outright.
    GLint most = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &most);
    const Vec2i resolution = read_size(context, "resolution");
    context.resolution = {std::min(resolution.x, most), std::min(resolution.y, most)};
    context.field_renderer.create_target(context.resolution, false);
    context.bar_renderer.create_target(context.resolution, false);
    context.text_renderer.create_target(context.resolution, false);
    window.set_client_size(read_size(context, "window dimensions"));
}

// The credit line "Quillfen!" sits this far from the left and bottom edges.
constexpr float credit_line_margin = 10;

// The [key bindings] keys, in the order they are read.
struct KeyBinding {
    const char* name;
    uint32_t GameContext::*code;
};
constexpr KeyBinding key_bindings[] = {
    {"ESC", &GameContext::key_esc},     {"UP", &GameContext::key_up},
    {"LEFT", &GameContext::key_left},   {"DOWN", &GameContext::key_down},
    {"RIGHT", &GameContext::key_right}, {"SHOOT", &GameContext::key_shoot},
};

void apply_key_bindings(GameContext& context) {
    if (!context.config.has_section("key bindings")) {
        std::cout << "[!] Warning [key bindings] section could no be found, using defaults\n";
        return;
    }
    // A key missing from a present section reads as 0, not as its default.
    for (const KeyBinding& binding : key_bindings)
        context.*binding.code =
            static_cast<uint32_t>(context.config.get("key bindings", binding.name).to_int());
}

void draw_frame(GameContext& context, Game& game, const Text& credit_line, HDC device_context) {
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    context.text_renderer.draw_text(credit_line);
    game.draw();
    context.field_renderer.render();
    context.bar_renderer.render();
    context.text_renderer.render();
    glFlush();
    if (context.swap_buffers) {
        SwapBuffers(device_context);
    } else {
        // From here on the window is drawn straight into its front buffer.
        glFinish();
        glDrawBuffer(GL_FRONT);
    }
    context.field_renderer.clear();
    context.bar_renderer.clear();
    context.text_renderer.clear();
}

void main_loop(GameContext& context, Game& game, Timer& frame_timer, Window& window,
               HDC device_context) {
    Renderer* const renderers[] = {&context.field_renderer, &context.bar_renderer,
                                   &context.text_renderer};
    double accumulator = 0;
    while (app_running.load(std::memory_order_relaxed)) {
        context.window_size = window.get_client_size();
        context.window_active = window.is_active() ? 1 : 0;

        if (!context.window_active) {
            // What the queues gather meanwhile reaches Input on the next
            // active pass.
            context.input->clear();
            window.unclip_cursor();
        } else {
            const Vec2i cursor = window.get_mouse_position();
            const std::vector<MouseEvent> mouse_events = window.take_mouse_events();
            const std::vector<KeyEvent> key_events = window.take_key_events();
            context.input->update(key_events, mouse_events, cursor);
            if (context.cursor_clip)
                window.clip_cursor();
            else
                window.unclip_cursor();
        }

        if (context.quit_requested) {
            app_running.store(0, std::memory_order_relaxed);
            // The main thread sleeps in its pump until a message arrives.
            PostMessageA(window.get_handle(), WM_NULL, 0, 0);
            return;
        }

        game.update();

        Text credit_line;
        credit_line.set_font(context.graphics->get_font("lucon"));
        credit_line.set_string("Quillfen!");
        credit_line.set_position(
            {credit_line_margin, static_cast<float>(context.resolution.y) - credit_line_margin});

        const Vec2f display_size{static_cast<float>(context.window_size.x),
                                 static_cast<float>(context.window_size.y)};
        for (Renderer* renderer : renderers) {
            renderer->set_window_size(context.window_size);
            renderer->set_display_size(display_size);
            renderer->set_scaling(context.logical_scaling != 0);
        }

        if (frame_due(accumulator, context.frame_cap, frame_timer))
            draw_frame(context, game, credit_line, device_context);
    }
}

// The stores go first, before the Game and the renderers; none of the
// Game's destructors touches a texture, font or sound.
void delete_stores(GameContext& context) {
    context.graphics.reset();
    context.sound.reset();
    context.input.reset();
}

// From the GameContext to the end of the loop; the message of a start-up
// failure, or null. Everything made here is gone when it returns.
const char* run_game(Window& window, HDC device_context) {
    GameContext context;
    // Counting from now, so the first lap of the loop holds all the loading.
    Timer frame_timer;

    if (!context.config.load("config.txt")) return "Could not load \"config.txt\"";
    if (!context.factory.load("factory.txt")) return "Could not load \"factory.txt\"";

    context.graphics = std::make_unique<Graphics>();
    context.sound = std::make_unique<Sound>();
    context.input = std::make_unique<Input>(&context);

    const char* failure = nullptr;
    if (!context.graphics->load(context.factory))
        failure = "Could not load graphics";
    else if (!context.sound->load(context.factory))
        failure = "Could not load sounds";
    if (failure) return failure;

    apply_pipeline(context, window);
    apply_key_bindings(context);

    Game game(&context);
    main_loop(context, game, frame_timer, window, device_context);
    delete_stores(context);
    return nullptr;
}

void release_context(HWND handle, HDC device_context, HGLRC gl_context) {
    wglMakeCurrent(NULL, NULL);
    wglDeleteContext(gl_context);
    ReleaseDC(handle, device_context);
}

// Before the GameContext exists the thread also clears app_running. Only
// after the box: the error's message to the window needs the main thread
// still pumping, and a cleared flag ends its pump.
void fail_before_context(Window& window, const char* message) {
    window.error(message);
    app_running.store(0, std::memory_order_relaxed);
}

}  // namespace

void game_thread() {
    Window* const window = main_window;
    const HWND handle = window ? window->get_handle() : NULL;
    // A window that failed to build has shown its own box and ended the pump.
    if (!handle) return;
    const HDC device_context = GetDC(handle);

    if (!set_pixel_format(device_context)) {
        ReleaseDC(handle, device_context);
        fail_before_context(*window, "Could not create pixel format");
        return;
    }

    // A failure here shows up as a failed glewInit.
    const HGLRC gl_context = wglCreateContext(device_context);
    wglMakeCurrent(device_context, gl_context);

    set_fixed_gl_state();

    glewExperimental = GL_TRUE;
    if (glewInit() != GLEW_OK) {
        release_context(handle, device_context, gl_context);
        fail_before_context(*window, "Could not initialise GLEW");
        return;
    }

    const char* const failure = run_game(*window, device_context);
    release_context(handle, device_context, gl_context);
    if (failure) window->error(failure);
}
