// The top-level evaluation of a search: eight worker threads that simulate
// and score every candidate of the list `trials` times, and the choice of the
// best mean once every worker has finished.
//
// No locks: the workers only read the state, the deliveries and their task;
// score i is written only by worker i mod 8, and the calling thread reads the
// scores only after joining every worker.
#pragma once

#include <cstddef>
#include <thread>
#include <vector>

#include "curling_simulator/records.h"
#include "search/default/candidate_list.h"
#include "search/default/search_best_shot.h"

namespace curling {

inline constexpr int kWorkerCount = 8;

// The record handed to one worker; it outlives the worker.
struct EvaluationTask {
  const GameState* state;                     // the position searched (the state before the shot)
  int first;                                  // worker number; first candidate index it evaluates
  int stride;                                 // kWorkerCount
  int grid_points;                            // handed on to the look-ahead
  int trials;                                 // simulations per candidate
  float random_error;                         // for every Simulation call of this worker
  float grid_width;                           // handed on to the look-ahead
  bool look_ahead;                            // judge outcomes below shot 15 by the best reply
  const std::vector<ShotVector>* candidates;  // read only
  std::vector<float>* scores;                 // only own entries written
  bool failed;  // set by the worker when memory ran out and its entries are incomplete
};

// The worker procedure: `trials` rounds over the indices first, first +
// stride, ... of the candidates. Catches every exception (recording it in
// `failed`), so nothing leaves the thread.
void EvaluationWorker(EvaluationTask* task);

// The trial count of a top-level search: one less from 170 candidates and
// another from 200 when the searched shot is below 15, then at least 1,
// truncated toward zero.
int TopLevelTrials(float trials, int shot_num, std::size_t candidates);

// Runs the workers over `list` (its scores start at 0.0) and chooses.
// Returns the best mean and copies its delivery into `best_shot`, or returns
// kNoScore and leaves `best_shot` untouched (no mean above kNoScore, or a
// worker ran out of memory).
float EvaluateInParallel(const GameState& state, const SearchParameters& parameters, int trials,
                         CandidateList& list, ShotVector& best_shot);

// Starts a thread running EvaluationWorker(task), or throws (std::system_error
// like std::thread). A worker that cannot be started is run by the calling
// thread after the others have started. Tests replace the starter to provoke
// that path; null restores the default.
using WorkerStarter = std::thread (*)(EvaluationTask* task);
void SetWorkerStarterForTesting(WorkerStarter starter);
std::thread StartWorkerThread(EvaluationTask* task);

}  // namespace curling
