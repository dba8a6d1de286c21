// The move decision run on "GO": the delivery for the stone about to be
// thrown (state.ShotNum), as a value. At shots 14 and 15 it runs the search,
// which reports its candidate count through the callbacks before it
// evaluates; the decision carries that count and, when the search chose,
// the chosen mean.
#pragma once

#include <optional>

#include "curling_simulator/records.h"
#include "search/default/search_best_shot.h"

namespace curling {

struct Decision {
  ShotVector shot{};                // the delivery to play
  std::optional<int> candidates;    // the search's candidate count, when a search ran
  std::optional<float> mean_score;  // the chosen candidate's mean, when the search chose
};

Decision DecideShot(const GameState& state, const SearchCallbacks& callbacks = {});

}  // namespace curling
