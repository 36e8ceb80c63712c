// The title screen: a start and an exit button, centred horizontally,
// green while the mouse is over them, answering left-button presses.
#pragma once

#include "graphics/Sprite.h"

#include <cstdint>

struct GameContext;

class Menu {
public:
    // What the user chose; kept once chosen, never reset.
    enum Result : int32_t { nothing_chosen = 0, start_chosen = 1, exit_chosen = 2 };

    explicit Menu(GameContext* game_context);

    void update();
    // Queues both buttons on the text renderer, above the other layers.
    void draw();
    Result result() const;

private:
    GameContext* context;
    Sprite start_button;
    Sprite exit_button;
    Result result_code = nothing_chosen;
};
