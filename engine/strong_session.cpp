#include "engine/strong_session.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "engine/command_words.h"
#include "engine/engine_main.h"
#include "engine/go_reply.h"
#include "engine/number_conversion.h"
#include "search/strong/strong_search.h"
#include "search/strong/time_plan.h"

namespace curling {
namespace {

// Share of the planned time given to the search itself; the rest covers
// setting it up and answering.
constexpr double kSearchShare = 0.98;

void LogSearch(const GameState& state, const strong::GameSituation& situation, double planned,
               const strong::SearchReport& report) {
  std::fprintf(stderr,
               "strong: end %d shot %d lead %d ends-left %d plan %.3f s: %d candidates, "
               "%lld rollouts, %llu simulations, %.3f s, %.3f cpu s; %s on stone %d, value %.4f\n",
               state.CurEnd, state.ShotNum, situation.lead, situation.ends_left, planned,
               report.candidates, static_cast<long long>(report.rollouts),
               static_cast<unsigned long long>(report.simulations), report.seconds,
               report.cpu_seconds, strong::ShotKindName(report.chosen.kind), report.chosen.target,
               report.value);
  std::fflush(stderr);
}

}  // namespace

void StrongSession::HandleLine(char* line) {
  for (char* p = line; *p != '\0'; ++p) {
    if (*p == '\n' || *p == '\r') {
      *p = '\0';
      break;
    }
  }
  std::string word;
  GetWord(word, line, 0);
  if (EqualsIgnoringAsciiCase(word, "GO")) {
    Go();
    return;
  }
  if (EqualsIgnoringAsciiCase(word, "SCORE")) {
    std::string own;
    std::string opponent;
    if (GetWord(own, line, 1) && GetWord(opponent, line, 2)) {
      own_points_ = ParseInteger(own);
      opponent_points_ = ParseInteger(opponent);
    }
    return;
  }
  if (EqualsIgnoringAsciiCase(word, "TIME")) {
    std::string own;
    if (GetWord(own, line, 1)) {
      const double seconds = ParseCoordinate(own);
      // An infinite budget is no budget to plan from.
      own_time_left_ = std::isfinite(seconds) ? std::optional<double>(seconds) : std::nullopt;
    }
    return;
  }
  if (EqualsIgnoringAsciiCase(word, "NEWGAME")) {
    own_points_ = 0;
    opponent_points_ = 0;
    own_time_left_.reset();
  }
  commands_.Handle(line);
}

void StrongSession::Go() {
  const strong::Clock::time_point start = strong::Clock::now();
  const GameState& state = commands_.state();
  const strong::GameSituation situation = strong::SituationOf(state, own_points_, opponent_points_);
  const double planned = strong::PlanShotSeconds(
      strong::TimeControl{options_.shot_seconds, own_time_left_}, state, situation);
  strong::SearchLimits limits;
  limits.threads = options_.threads;
  limits.rollouts = options_.samples.value_or(0);
  limits.seed = options_.seed;
  limits.deadline = start + std::chrono::duration_cast<strong::Clock::duration>(
                                std::chrono::duration<double>(planned * kSearchShare));
  const strong::SearchReport report = strong::SearchStrongShot(state, situation, limits);
  WriteBestShot(write_, report.chosen.shot);
  if (own_time_left_) {
    // Until a TIME says otherwise, the budget is what it was less this shot.
    const double spent = std::chrono::duration<double>(strong::Clock::now() - start).count();
    own_time_left_ = std::max(0.0, *own_time_left_ - spent);
  }
  LogSearch(state, situation, options_.samples ? 0.0 : planned, report);
}

int RunStrongEngine(const StrongOptions& options) {
  StrongSession session(options, WriteReply);
  return RunEngine([&session](char* line) { session.HandleLine(line); });
}

}  // namespace curling
