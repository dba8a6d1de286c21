#include "search/default/search_best_shot.h"

#include <cassert>
#include <climits>
#include <new>

#include "eval/scoring.h"
#include "search/default/candidate_generation.h"
#include "search/default/candidate_list.h"
#include "search/default/parallel_evaluation.h"
#include "search/default/sequential_evaluation.h"

namespace curling {
namespace {

float SearchTopLevel(const GameState& state, const SearchParameters& parameters,
                     const SearchCallbacks& callbacks, ShotVector& best_shot) {
  CandidateList list;
  AppendSearchCandidates(state, parameters.grid_points, parameters.grid_width, true, list);
  assert(list.Size() <= static_cast<std::size_t>(INT_MAX));
  if (callbacks.on_candidate_count) callbacks.on_candidate_count(static_cast<int>(list.Size()));
  const int trials = TopLevelTrials(parameters.trials, state.ShotNum, list.Size());
  return EvaluateInParallel(state, parameters, trials, list, best_shot);
}

}  // namespace

std::optional<ScoredShot> SearchBestShot(const GameState& state, const SearchParameters& parameters,
                                         const SearchCallbacks& callbacks) {
  // Memory running out while the lists grow ends the search with no choice,
  // so that the caller still answers with a shot of its own.
  ShotVector best{};
  float mean = kNoScore;
  try {
    mean = parameters.top_level ? SearchTopLevel(state, parameters, callbacks, best)
                                : SearchSequential(state, parameters, best);
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
  // A chosen mean is always above kNoScore: kNoScore means nothing was chosen.
  assert(mean == kNoScore || mean > kNoScore);
  if (mean == kNoScore) return std::nullopt;
  return ScoredShot{best, mean};
}

}  // namespace curling
