// The top-level state machine: the title screen (state 0) or the play
// screen (state 1), each created on the first update in its state; the high
// score of the run; the background music.
#pragma once

#include <cstdint>

struct GameContext;
class Menu;
class World;

class Game {
public:
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
    int32_t state = 0;
    Menu* menu = nullptr;
    World* world = nullptr;
    int32_t high_score_value = 0;
};
