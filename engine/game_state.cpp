#include "engine/game_state.h"

namespace curling {

GameState g_game_state{};

}  // namespace curling
