#include "game/Game.h"

#include "audio/Sound.h"
#include "game/GameContext.h"
#include "game/Menu.h"
#include "game/World.h"
#include "platform/Input.h"

Game::Game(GameContext* game_context) : context(game_context) {
    context->sound->play_sound("music");
}

Game::~Game() = default;

void Game::update() {
    context->screen_rect = {0, 0, static_cast<float>(context->resolution.x),
                            static_cast<float>(context->resolution.y)};

    // Held, not only pressed in this pass.
    if (context->input->key_down(context->key_esc)) state = title_screen;

    if (state == title_screen) {
        if (!menu) menu = std::make_unique<Menu>(context);
        world.reset();
        menu->update();
        // Exit needs nothing here: the main loop ends on the quit request.
        if (menu->result() == Menu::start_chosen) state = play_screen;
    } else if (state == play_screen) {
        if (!world) world = std::make_unique<World>(context, this);
        menu.reset();
        world->update();
    }
}

void Game::draw() {
    if (state == title_screen) {
        if (menu) menu->draw();
    } else if (state == play_screen) {
        if (world) world->draw();
    }
}

void Game::set_high_score(int32_t score) {
    if (high_score_value < score) high_score_value = score;
}

int32_t Game::high_score() const { return high_score_value; }
