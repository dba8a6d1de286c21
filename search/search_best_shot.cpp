#include "search/search_best_shot.h"

#include <cstdio>
#include <new>

#include "engine/reply.h"
#include "eval/rink.h"
#include "search/candidate_generation.h"
#include "search/candidate_list.h"
#include "search/parallel_evaluation.h"
#include "search/sequential_evaluation.h"

namespace curling {
namespace {

void WriteCandidateCount(std::size_t count) {
  char text[1024];
  std::snprintf(text, sizeof text, "ShotNum:%d", static_cast<int>(count));
  WriteReply(text);
}

float SearchTopLevel(const GameState& state, ShotVector& best_shot, float trials, int grid_points,
                     float grid_width, float random_error, int top_level) {
  CandidateList list;
  GenerateCandidates(state, grid_points, grid_width, top_level, list);
  WriteCandidateCount(list.Size());
  const int worker_trials = TopLevelTrials(trials, state.ShotNum, list.Size());
  return EvaluateInParallel(state, list, worker_trials, grid_points, grid_width, random_error,
                            top_level, best_shot);
}

}  // namespace

float SearchBestShot(const GameState& State, ShotVector& BestShot, float Trials, int GridPoints,
                     float GridWidth, float RandomError, int TopLevel) {
  // Memory running out while the lists grow ends the search with NoScore and
  // BestShot as it was, so that the caller still answers with a shot of its own.
  try {
    if (TopLevel == 0) {
      return SearchSequential(State, BestShot, Trials, GridPoints, GridWidth, RandomError);
    }
    return SearchTopLevel(State, BestShot, Trials, GridPoints, GridWidth, RandomError, TopLevel);
  } catch (const std::bad_alloc&) {
    return NoScore;
  }
}

}  // namespace curling
