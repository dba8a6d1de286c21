// How long the strong engine thinks about a shot: a fixed time per shot when
// asked for one, else a share of the game budget left (the TIME command)
// that favours the stones that decide (the last stones of an end, close
// games), else one second.
#pragma once

#include <optional>

#include "curling_simulator/records.h"
#include "search/strong/game_situation.h"

namespace curling::strong {

inline constexpr double kDefaultShotSeconds = 1.0;
// The longest any shot is planned, however large the budget (also the
// largest --shot-time).
inline constexpr double kMostShotSeconds = 3600.0;

struct TimeControl {
  std::optional<double> shot_seconds;  // --shot-time
  std::optional<double> own_left;      // from TIME: the engine's budget left in this game
};

// Seconds to think about the shot of `state`, never more than a safe share of
// a known budget (the server's allowance for this shot is all of the budget
// left, and the engine must answer well within it, game after game) nor more
// than kMostShotSeconds.
double PlanShotSeconds(const TimeControl& control, const GameState& state,
                       const GameSituation& situation);

}  // namespace curling::strong
