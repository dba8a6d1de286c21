#include "search/default/parallel_evaluation.h"

#include <array>
#include <cassert>
#include <climits>

#include "eval/scoring.h"
#include "game/simulator_binding.h"
#include "search/default/rating.h"
#include "search/default/sequential_evaluation.h"

namespace curling {
namespace {

WorkerStarter g_worker_starter = nullptr;

constexpr int kLastShot = 15;

void RunTrials(const EvaluationTask& task) {
  const GameState& before = *task.state;
  const std::vector<ShotVector>& candidates = *task.candidates;
  std::vector<float>& scores = *task.scores;
  assert(candidates.size() == scores.size());
  assert(task.first < task.stride);
  const std::size_t count = candidates.size();
  const float trials = static_cast<float>(task.trials);
  const bool look_ahead = before.ShotNum != kLastShot && task.look_ahead;
  const int side = before.ShotNum % 2;  // the side throwing the evaluated shot
  for (int t = 0; t < task.trials; ++t) {
    for (std::size_t i = static_cast<std::size_t>(task.first); i < count;
         i += static_cast<std::size_t>(task.stride)) {
      GameState outcome = before;
      Simulation(&outcome, candidates[i], task.random_error, nullptr, -1);
      if (look_ahead) {
        const float reply = BestReplyScore(outcome, task.grid_points, task.grid_width);
        scores[i] = scores[i] - reply / trials;
      } else {
        const int s = ScorePosition(outcome, side);
        scores[i] = static_cast<float>(s) / trials + scores[i];
      }
    }
  }
}

// Starts all eight in order; a worker whose thread cannot be started is run
// here once the others are under way, so every candidate is evaluated.
void RunWorkers(std::array<EvaluationTask, kWorkerCount>& tasks) {
  // Worker w owns the entries w, w + 8, ...: the eight own every entry once,
  // so the scores need no lock.
  for (int w = 0; w < kWorkerCount; ++w) {
    assert(tasks[w].first == w && tasks[w].stride == kWorkerCount);
    assert(tasks[w].scores == tasks[0].scores && tasks[w].candidates == tasks[0].candidates);
  }
  const WorkerStarter start = g_worker_starter != nullptr ? g_worker_starter : StartWorkerThread;
  std::array<std::thread, kWorkerCount> threads;
  std::array<bool, kWorkerCount> started{};
  for (int w = 0; w < kWorkerCount; ++w) {
    try {
      threads[w] = start(&tasks[w]);
      started[w] = threads[w].joinable();
    } catch (...) {
      started[w] = false;
    }
  }
  for (int w = 0; w < kWorkerCount; ++w) {
    if (!started[w]) EvaluationWorker(&tasks[w]);
  }
  for (int w = 0; w < kWorkerCount; ++w) {
    if (started[w]) threads[w].join();
  }
}

}  // namespace

void EvaluationWorker(EvaluationTask* task) {
  if (task->trials <= 0 || task->stride <= 0 || task->first < 0) return;
  try {
    RunTrials(*task);
  } catch (...) {
    task->failed = true;
  }
}

int TopLevelTrials(float trials, int shot_num, std::size_t candidates) {
  if (shot_num < kLastShot) {
    if (candidates >= 170) trials -= 1.0f;
    if (candidates >= 200) trials -= 1.0f;
  }
  if (!(trials >= 1.0f)) trials = 1.0f;  // also a NaN, whose truncation is undefined
  if (trials >= 2147483648.0f) return INT_MAX;
  return static_cast<int>(trials);
}

std::thread StartWorkerThread(EvaluationTask* task) {
  return std::thread(EvaluationWorker, task);
}

void SetWorkerStarterForTesting(WorkerStarter starter) {
  g_worker_starter = starter;
}

float EvaluateInParallel(const GameState& state, const SearchParameters& parameters, int trials,
                         CandidateList& list, ShotVector& best_shot) {
  assert(list.shots.size() == list.scores.size());
  // A worker without a trial would leave its entries at 0.0, which would
  // then be chosen as if they were means.
  assert(trials >= 1);
  std::array<EvaluationTask, kWorkerCount> tasks;
  for (int w = 0; w < kWorkerCount; ++w) {
    tasks[w] = EvaluationTask{&state,
                              w,
                              kWorkerCount,
                              parameters.grid_points,
                              trials,
                              parameters.random_error,
                              parameters.grid_width,
                              parameters.top_level,
                              &list.shots,
                              &list.scores,
                              false};
  }
  RunWorkers(tasks);
  for (const EvaluationTask& task : tasks) {
    if (task.failed) return kNoScore;
  }
  float best;
  const int index = ChooseBestCandidate(list, best);
  if (index < 0) return kNoScore;
  best_shot = list.shots[static_cast<std::size_t>(index)];
  return best;
}

}  // namespace curling
