#include "game/Menu.h"

#include "game/GameContext.h"
#include "graphics/Graphics.h"
#include "platform/Input.h"

namespace {

constexpr float start_button_top = 100;
constexpr float button_gap = 20;  // between the start button's bottom and the exit button
constexpr Vec4f white{1, 1, 1, 1};
constexpr Vec4f green{0, 1, 0, 1};  // under the mouse

}  // namespace

Menu::Menu(GameContext* game_context) : context(game_context) {
    start_button.set_texture(context->graphics->get_texture("start_button"));
    exit_button.set_texture(context->graphics->get_texture("exit_button"));
}

void Menu::update() {
    context->cursor_clip = 0;

    const float half = static_cast<float>(context->resolution.x / 2);

    const Vec2f start_size = start_button.size();
    start_button.set_position({half - 0.5f * start_size.x, start_button_top});
    start_button.set_colour(white);

    const Vec2f exit_size = exit_button.size();
    exit_button.set_position(
        {half - 0.5f * exit_size.x, start_size.y + button_gap + start_button_top});
    exit_button.set_colour(white);

    const Input& input = *context->input;
    const bool over_start =
        point_in_rect(input.mouse_position, start_button.position(), start_size);
    const bool over_exit = point_in_rect(input.mouse_position, exit_button.position(), exit_size);
    if (over_start) start_button.set_colour(green);
    if (over_exit) exit_button.set_colour(green);

    // Only the fact of a left press counts; where it happened is the pass's
    // mouse position. Presses Input marked as outside the window have state 0.
    for (const MouseEvent& event : input.mouse_events) {
        if (event.button != MouseEvent::left || event.state != MouseEvent::down) continue;
        if (over_exit) {
            context->quit_requested = 1;
            result_code = exit_chosen;
        }
        if (over_start) result_code = start_chosen;
    }
}

void Menu::draw() {
    context->text_renderer.draw(start_button);
    context->text_renderer.draw(exit_button);
}

Menu::Result Menu::result() const { return result_code; }
