// The top-level state machine: the title screen or the play screen, each
// created on the first update in its state; the high score of the run; the
// background music.
#pragma once

#include <cstdint>
#include <memory>

struct GameContext;
class Menu;
class World;

class Game {
public:
    // The screen the game is on.
    enum State : int32_t { title_screen = 0, play_screen = 1 };

    // Plays "music"; the first update creates the title screen.
    explicit Game(GameContext* game_context);
    ~Game();
    Game(const Game&) = delete;
    Game& operator=(const Game&) = delete;

    // Once per main-loop pass.
    void update();
    // Once per drawn frame: queues the current screen.
    void draw();

    // Keeps the larger of the stored high score and this one.
    void set_high_score(int32_t score);
    int32_t high_score() const;

private:
    GameContext* context;
    State state = title_screen;
    std::unique_ptr<Menu> menu;
    std::unique_ptr<World> world;
    int32_t high_score_value = 0;
};
