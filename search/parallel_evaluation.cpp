#include "search/parallel_evaluation.h"

#include <array>
#include <climits>

#include "engine/simulator_binding.h"
#include "eval/rink.h"
#include "eval/scoring.h"
#include "search/best_candidate.h"
#include "search/sequential_evaluation.h"

namespace curling {
namespace {

std::vector<ShotVector> g_candidate_table;
std::vector<float> g_score_table;
WorkerStarter g_worker_starter = nullptr;

constexpr int kLastShot = 15;

void RunTrials(const EvaluationTask& task) {
  const GameState& before = *task.State;
  const std::vector<ShotVector>& candidates = *task.Candidates;
  std::vector<float>& scores = *task.Scores;
  const std::size_t count = candidates.size();
  const float trials = static_cast<float>(task.Trials);
  const bool look_ahead = before.ShotNum != kLastShot && task.LookAhead != 0;
  const int side = before.ShotNum % 2;  // the side throwing the evaluated shot
  for (int t = 0; t < task.Trials; ++t) {
    for (std::size_t i = static_cast<std::size_t>(task.First); i < count;
         i += static_cast<std::size_t>(task.Stride)) {
      GameState outcome = before;
      Simulation(&outcome, candidates[i], task.RandomError, nullptr, -1);
      if (look_ahead) {
        const float reply = BestReplyScore(outcome, task.GridPoints, task.GridWidth);
        scores[i] = scores[i] - reply / trials;
      } else {
        const int s = ScorePosition(outcome, side);
        scores[i] = static_cast<float>(s) / trials + scores[i];
      }
    }
  }
}

}  // namespace

int EvaluationWorker(EvaluationTask* task) {
  if (task->Trials <= 0 || task->Stride <= 0 || task->First < 0) return 1;
  try {
    RunTrials(*task);
  } catch (...) {
    task->Failed = 1;
  }
  return 1;
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

const std::vector<ShotVector>& CandidateTable() {
  return g_candidate_table;
}

const std::vector<float>& ScoreTable() {
  return g_score_table;
}

float EvaluateInParallel(const GameState& state, const CandidateList& list, int trials,
                         int grid_points, float grid_width, float random_error, int look_ahead,
                         ShotVector& best_shot) {
  g_candidate_table.assign(list.shots.begin(), list.shots.end());
  g_score_table.assign(list.scores.size(), 0.0f);

  std::array<EvaluationTask, WorkerCount> tasks;
  for (int w = 0; w < WorkerCount; ++w) {
    tasks[w] = EvaluationTask{
        &state,     w,          WorkerCount,        grid_points,    trials, random_error,
        grid_width, look_ahead, &g_candidate_table, &g_score_table, 0};
  }

  // Start all eight in order; a worker whose thread cannot be started is run
  // here once the others are under way, so every candidate is evaluated.
  const WorkerStarter start = g_worker_starter != nullptr ? g_worker_starter : StartWorkerThread;
  std::array<std::thread, WorkerCount> threads;
  std::array<bool, WorkerCount> started{};
  for (int w = 0; w < WorkerCount; ++w) {
    try {
      threads[w] = start(&tasks[w]);
      started[w] = threads[w].joinable();
    } catch (...) {
      started[w] = false;
    }
  }
  for (int w = 0; w < WorkerCount; ++w) {
    if (!started[w]) EvaluationWorker(&tasks[w]);
  }
  for (int w = 0; w < WorkerCount; ++w) {
    if (started[w]) threads[w].join();
  }

  for (const EvaluationTask& task : tasks) {
    if (task.Failed != 0) return NoScore;
  }
  float best = NoScore;
  const long index = ChooseBestCandidate(g_score_table.data(), g_score_table.size(), best);
  if (index < 0) return NoScore;
  best_shot = g_candidate_table[static_cast<std::size_t>(index)];
  return best;
}

}  // namespace curling
