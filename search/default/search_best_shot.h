// The Monte Carlo shot search: candidate generation, then either the
// top-level evaluation on eight worker threads with the one-stone look-ahead,
// or the sequential evaluation of a reply search.
#pragma once

#include <functional>
#include <optional>

#include "curling_simulator/records.h"

namespace curling {

struct SearchParameters {
  float trials;        // simulations per candidate (cut for long top-level lists)
  int grid_points;     // the draw grid: points along each side of its square
  float grid_width;    // side of the draw grid's square around the tee (m)
  float random_error;  // delivery error of every simulation
  // The search a decision runs: the whole hit pattern, eight workers and,
  // below shot 15, outcomes judged by the opponent's best reply. Otherwise
  // the single-threaded search of such a reply.
  bool top_level;
};

// What a search reports while it runs. Every callback may be empty.
struct SearchCallbacks {
  // The number of candidates, once the top-level list is built and before
  // its evaluation starts.
  std::function<void(int candidates)> on_candidate_count;
};

// A chosen delivery and its mean score.
struct ScoredShot {
  ShotVector shot;
  float mean;
};

// The best candidate and its mean, or nothing when no candidate's mean is
// above kNoScore (also when the list is empty or memory ran out).
std::optional<ScoredShot> SearchBestShot(const GameState& state, const SearchParameters& parameters,
                                         const SearchCallbacks& callbacks = {});

}  // namespace curling
