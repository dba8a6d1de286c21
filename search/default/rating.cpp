#include "search/default/rating.h"

#include <cassert>

#include "eval/scoring.h"
#include "game/simulator_binding.h"

namespace curling {

void RateCandidates(const GameState& state, float trials, float random_error, CandidateList& list) {
  assert(list.shots.size() == list.scores.size());
  const int side = state.ShotNum % 2;  // the side throwing the rated shot
  const std::size_t count = list.Size();
  for (int pass = 0; trials > static_cast<float>(pass); ++pass) {
    for (std::size_t j = 0; j < count; ++j) {
      GameState outcome = state;
      Simulation(&outcome, list.shots[j], random_error, nullptr, -1);
      const int score = ScorePosition(outcome, side);
      list.scores[j] = static_cast<float>(score) / trials + list.scores[j];
    }
  }
}

int ChooseBestCandidate(const CandidateList& list, float& best) {
  assert(list.shots.size() == list.scores.size());
  best = kNoScore;
  int chosen = -1;
  for (std::size_t j = 0; j < list.Size(); ++j) {
    if (list.scores[j] > best) {
      best = list.scores[j];
      chosen = static_cast<int>(j);
    }
  }
  // kNoScore is returned exactly when nothing is chosen: callers test for it.
  assert(chosen < 0 ? best == kNoScore : best > kNoScore);
  return chosen;
}

}  // namespace curling
