#include "platform/Input.h"

#include "core/Math.h"
#include "game/GameContext.h"

namespace {

// Window to logical pixels, truncated toward zero. The product is formed in
// 64 bits so a far-off cursor or a huge resolution cannot overflow; the
// result saturates to the 32-bit range.
int32_t to_logical(int32_t value, int32_t logical, int32_t window) {
    return saturate_to_int(static_cast<int64_t>(value) * logical / window);
}

}  // namespace

Input::Input(GameContext* game_context) : context(game_context) {}

void Input::update(const std::vector<KeyEvent>& new_key_events,
                   const std::vector<MouseEvent>& new_mouse_events, const Vec2i& cursor) {
    key_events = new_key_events;
    mouse_events = new_mouse_events;

    const Vec2i logical = context->resolution;
    const Vec2i window = context->window_size;
    const bool scaling = context->logical_scaling && window.x > 0 && window.y > 0;

    if (scaling) {
        mouse_position = {static_cast<float>(to_logical(cursor.x, logical.x, window.x)),
                          static_cast<float>(to_logical(cursor.y, logical.y, window.y))};
    } else {
        mouse_position = {static_cast<float>(cursor.x), static_cast<float>(cursor.y)};
    }

    for (const KeyEvent& event : key_events) {
        if (event.code < key_count) keys[event.code] = event.state == KeyEvent::down ? 1 : 0;
    }

    for (MouseEvent& event : mouse_events) {
        const bool inside =
            event.x >= 0 && event.x <= window.x && event.y >= 0 && event.y <= window.y;
        if (!inside) event.state = MouseEvent::outside;
        if (scaling) {
            event.x = to_logical(event.x, logical.x, window.x);
            event.y = to_logical(event.y, logical.y, window.y);
        }
        const uint8_t down = event.state == MouseEvent::down ? 1 : 0;
        switch (event.button) {
            case MouseEvent::left:
                mouse_left = down;
                break;
            case MouseEvent::right:
                mouse_right = down;
                break;
            case MouseEvent::middle:
                mouse_middle = down;
                break;
            default:
                break;  // the wheel sets no button
        }
    }
}

void Input::clear() {
    mouse_position = {0, 0};
    std::fill(std::begin(keys), std::end(keys), 0);
    mouse_left = 0;
    mouse_middle = 0;
    mouse_right = 0;
}

bool Input::key_down(uint32_t code) const { return code < key_count && keys[code] != 0; }
