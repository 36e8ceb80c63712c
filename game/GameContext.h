// The record the game thread builds on its own stack and hands by pointer to
// Input, the Game and, through it, every screen and entity: the assets, the
// input state, the three renderers, the sizes and the key bindings.
#pragma once

#include "core/Config.h"
#include "core/Math.h"
#include "graphics/Renderer.h"

#include <windows.h>

#include <cstdint>
#include <memory>

class Graphics;
class Sound;
class Input;

// The key bindings used when "config.txt" has no [key bindings] section, in
// the block's order: ESC, UP, LEFT, DOWN, RIGHT, SHOOT. UP lies on S and DOWN
// on W, LEFT on D and RIGHT on A, as the game has always had them.
inline constexpr uint32_t default_key_codes[6] = {VK_ESCAPE, 'S', 'D', 'W', 'A', VK_SPACE};

struct GameContext {
    // Made and destroyed where the three stores' types are known.
    GameContext();
    ~GameContext();
    GameContext(const GameContext&) = delete;
    GameContext& operator=(const GameContext&) = delete;

    Config config;   // "config.txt": [pipeline] and [key bindings], read at start-up
    Config factory;  // "factory.txt": the named textures, fonts and sounds

    // Made and deleted by the game thread, at shutdown before anything else.
    std::unique_ptr<Graphics> graphics;
    std::unique_ptr<Sound> sound;
    std::unique_ptr<Input> input;

    // Drawn in this order, each over the one before.
    Renderer field_renderer;  // play-field sprites and shapes
    Renderer bar_renderer;    // health bars
    Renderer text_renderer;   // texts and the title-screen buttons

    Vec2i resolution{640, 360};  // logical pixels
    Vec2i window_size{0, 0};     // client pixels, refreshed on every pass
    // x, y, width, height (in x1, y1, x2, y2): the screen in logical pixels,
    // rewritten by Game::update on every pass.
    Vec4f screen_rect{};

    // Virtual-key codes, one block in this order. A code outside 0 to 255
    // is kept as read; Input::key_down reads it as never down.
    uint32_t key_esc = default_key_codes[0];
    uint32_t key_up = default_key_codes[1];
    uint32_t key_left = default_key_codes[2];
    uint32_t key_down = default_key_codes[3];
    uint32_t key_right = default_key_codes[4];
    uint32_t key_shoot = default_key_codes[5];

    uint8_t window_active = 1;
    uint8_t quit_requested = 0;   // set by the title screen's exit button
    uint8_t logical_scaling = 1;  // never changed
    int32_t frame_cap = 0;        // frames per second; 0 or less: no cap
    uint8_t swap_buffers = 1;     // 1: SwapBuffers; 0: glFinish and the front buffer
    uint8_t cursor_clip = 0;      // set by the play screen, cleared by the title screen
};
