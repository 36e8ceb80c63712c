// The per-frame keyboard and mouse state the game reads: which keys and
// buttons are down (kept across frames until their release), the cursor in
// logical pixels, and this frame's events for screens that want clicks.
#pragma once

#include "core/Math.h"
#include "platform/Window.h"

#include <cstdint>
#include <vector>

struct GameContext;

class Input {
public:
    explicit Input(GameContext* game_context);

    // Takes this frame's events and the cursor (client pixels). Positions
    // are converted to the logical resolution while the context's scaling
    // applies; a mouse event outside the client area gets state 0.
    void update(const std::vector<KeyEvent>& key_events,
                const std::vector<MouseEvent>& mouse_events, const Vec2i& cursor);
    // Every key and button up, position (0, 0); the event lists stay.
    void clear();

    // Whether the key with this virtual-key code is down; a code outside
    // the table (key_count or more) is never down.
    bool key_down(uint32_t code) const;

    GameContext* context;
    std::vector<KeyEvent> key_events;
    std::vector<MouseEvent> mouse_events;
    // One state per virtual-key code.
    static constexpr uint32_t key_count = 256;
    uint8_t keys[key_count] = {};
    uint8_t mouse_left = 0;
    uint8_t mouse_middle = 0;
    uint8_t mouse_right = 0;
    Vec2f mouse_position{0, 0};
};
