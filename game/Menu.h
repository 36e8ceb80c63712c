// The title screen: a start and an exit button, centred horizontally,
// green while the mouse is over them, answering left-button presses.
#pragma once

#include "graphics/Sprite.h"

#include <cstdint>

struct GameContext;

class Menu {
public:
    explicit Menu(GameContext* game_context);

    void update();
    // Queues both buttons on the text renderer, above the other layers.
    void draw();
    // 0 nothing chosen, 1 start clicked, 2 exit clicked; never reset.
    int32_t result() const;

private:
    GameContext* context;
    Sprite start_button;
    Sprite exit_button;
    int32_t result_code = 0;
};
