#include "game/GameContext.h"

#include "audio/Sound.h"
#include "graphics/Graphics.h"
#include "platform/Input.h"

GameContext::GameContext() = default;

GameContext::~GameContext() = default;
