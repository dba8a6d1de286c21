#include "search/sequential_evaluation.h"

#include "engine/simulator_binding.h"
#include "eval/rink.h"
#include "eval/scoring.h"
#include "search/best_candidate.h"
#include "search/candidate_generation.h"
#include "search/candidate_list.h"

namespace curling {

float SearchSequential(const GameState& state, ShotVector& best_shot, float trials, int grid_points,
                       float grid_width, float random_error) {
  // The look-ahead runs this once per top-level simulation; the list keeps
  // its capacity between calls on the same thread. Nothing calls back into a
  // search while it is in use.
  thread_local CandidateList list;
  list.Clear();
  GenerateCandidates(state, grid_points, grid_width, 0, list);

  const int side = state.ShotNum % 2;  // the side throwing the searched shot
  const std::size_t count = list.Size();
  for (int p = 0; trials > static_cast<float>(p); ++p) {
    for (std::size_t j = 0; j < count; ++j) {
      GameState outcome = state;
      Simulation(&outcome, list.shots[j], random_error, nullptr, -1);
      const int s = ScorePosition(outcome, side);
      list.scores[j] = static_cast<float>(s) / trials + list.scores[j];
    }
  }

  float best = NoScore;
  const long index = ChooseBestCandidate(list.scores.data(), count, best);
  if (index < 0) return best;
  best_shot = list.shots[static_cast<std::size_t>(index)];
  return best;
}

float BestReplyScore(const GameState& outcome, int grid_points, float grid_width) {
  ShotVector scratch{};
  return SearchSequential(outcome, scratch, 1.0f, grid_points, grid_width, 0.0f);
}

}  // namespace curling
