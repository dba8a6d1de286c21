#include "search/rate_candidates.h"

#include "engine/game_state.h"
#include "engine/simulator_binding.h"
#include "eval/rink.h"
#include "eval/scoring.h"

namespace curling {
namespace {

constexpr float kPasses = 100.0f;
constexpr float kRandomError = 0.145f;

}  // namespace

void RateCandidates(DecisionCandidates& list) {
  const std::size_t count = list.Size();
  for (int pass = 0; kPasses > static_cast<float>(pass); ++pass) {
    for (std::size_t j = 0; j < count; ++j) {
      GameState outcome = g_game_state;
      Simulation(&outcome, list.shots[j], kRandomError, nullptr, -1);
      const int score = ScoreForShooter(outcome);
      const float share = static_cast<float>(score) / kPasses;
      list.means[j] = list.means[j] + share;
    }
  }
}

int ChooseCandidate(const DecisionCandidates& list) {
  float best = NoScore;
  int chosen = -1;
  for (std::size_t j = 0; j < list.Size(); ++j) {
    if (list.means[j] > best) {
      best = list.means[j];
      chosen = static_cast<int>(j);
    }
  }
  return chosen;
}

}  // namespace curling
