// The top-level evaluation of a search: the candidate list copied into the
// shared CandidateTable, eight worker threads that simulate and score every
// candidate Trials times into the shared ScoreTable, and the choice of the
// best mean once every worker has finished.
//
// No locks: the workers only read the state, CandidateTable and their task;
// ScoreTable entry i is written only by worker i mod 8, and the calling thread
// reads the table only after joining every worker.
#pragma once

#include <cstddef>
#include <thread>
#include <vector>

#include "curling_simulator/records.h"
#include "search/candidate_list.h"

namespace curling {

inline constexpr int WorkerCount = 8;

// The record handed to one worker; it outlives the worker.
struct EvaluationTask {
  const GameState* State;  // the position searched (the state before the shot)
  int First;               // worker number; first candidate index it evaluates
  int Stride;              // WorkerCount
  int GridPoints;          // handed on to the look-ahead
  int Trials;              // simulations per candidate
  float RandomError;       // for every Simulation call of this worker
  float GridWidth;         // handed on to the look-ahead
  int LookAhead;           // non-zero: judge outcomes below shot 15 by the best reply
  const std::vector<ShotVector>* Candidates;  // CandidateTable, read only
  std::vector<float>* Scores;                 // ScoreTable; only own entries written
  int Failed;  // set by the worker when memory ran out and its entries are incomplete
};

// The worker procedure: Trials rounds over the indices First, First + Stride,
// ... of the candidate table. Catches every exception (recording it in
// Failed), so nothing leaves the thread. Returns 1.
int EvaluationWorker(EvaluationTask* task);

// The trial count of a top-level search: one less from 170 candidates and
// another from 200 when the searched shot is below 15, then at least 1,
// truncated toward zero.
int TopLevelTrials(float trials, int shot_num, std::size_t candidates);

// Fills the shared tables from `list`, runs the workers and chooses. Returns
// the best mean and copies its delivery into `best_shot`, or returns NoScore
// and leaves `best_shot` untouched (no mean above NoScore, or a worker ran out
// of memory). Throws std::bad_alloc only before any worker starts.
float EvaluateInParallel(const GameState& state, const CandidateList& list, int trials,
                         int grid_points, float grid_width, float random_error, int look_ahead,
                         ShotVector& best_shot);

// The shared tables; they keep the last top-level search's contents.
const std::vector<ShotVector>& CandidateTable();
const std::vector<float>& ScoreTable();

// Starts a thread running EvaluationWorker(task), or throws (std::system_error
// like std::thread). A worker that cannot be started is run by the calling
// thread after the others have started. Tests replace the starter to provoke
// that path; null restores the default.
using WorkerStarter = std::thread (*)(EvaluationTask* task);
void SetWorkerStarterForTesting(WorkerStarter starter);
std::thread StartWorkerThread(EvaluationTask* task);

}  // namespace curling
