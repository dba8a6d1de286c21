#include "engine/strong_session.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <utility>

#include "engine/default_value_network.h"
#include "engine/engine_main.h"
#include "protocol/best_shot_reply.h"
#include "protocol/command_words.h"
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

StrongSession::StrongSession(const StrongOptions& options, const ValueNetwork* network,
                             protocol::ReplyWriter write)
    : options_(options),
      network_(network),
      session_(std::move(write), [this](const GameState& state,
                                        const protocol::ReplyWriter& reply) { Go(state, reply); }) {
}

void StrongSession::HandleLine(char* line) {
  protocol::CutAtLineEnd(line);
  std::string word;
  protocol::GetWord(word, line, 0);
  if (protocol::EqualsIgnoringAsciiCase(word, "SCORE")) {
    protocol::ApplyScore(context_, line, word);
    return;
  }
  if (protocol::EqualsIgnoringAsciiCase(word, "TIME")) {
    protocol::ApplyTime(context_, line, word);
    return;
  }
  if (protocol::EqualsIgnoringAsciiCase(word, "NEWGAME")) context_ = protocol::GameContext{};
  session_.Handle(line);
}

void StrongSession::Go(const GameState& state, const protocol::ReplyWriter& write) {
  // TIME keeps only finite budgets, and every GO leaves one at 0 or above.
  assert(!context_.own_time_left || std::isfinite(*context_.own_time_left));
  const strong::Clock::time_point start = strong::Clock::now();
  const strong::GameSituation situation =
      strong::SituationOf(state, context_.own_points, context_.opponent_points);
  const double planned = strong::PlanShotSeconds(
      strong::TimeControl{options_.shot_seconds, context_.own_time_left}, state, situation);
  strong::SearchLimits limits = SearchLimitsOf(options_, network_);
  limits.deadline = start + std::chrono::duration_cast<strong::Clock::duration>(
                                std::chrono::duration<double>(planned * kSearchShare));
  const strong::SearchReport report = strong::SearchStrongShot(state, situation, limits);
  protocol::WriteBestShot(write, report.chosen.shot);
  if (context_.own_time_left) {
    // Until a TIME says otherwise, the budget is what it was less this shot.
    const double spent = std::chrono::duration<double>(strong::Clock::now() - start).count();
    context_.own_time_left = std::max(0.0, *context_.own_time_left - spent);
  }
  LogSearch(state, situation, options_.samples ? 0.0 : planned, report);
}

strong::SearchLimits SearchLimitsOf(const StrongOptions& options, const ValueNetwork* network) {
  assert((network != nullptr) == (options.search == StrongSearch::kValue));
  strong::SearchLimits limits;
  limits.threads = options.threads;
  limits.rollouts = options.samples.value_or(0);
  limits.seed = options.seed;
  limits.network = network;
  // The second generation weighs firm hits too and refines its choice; the
  // first (rollouts) searches as it always has.
  const bool second_generation = network != nullptr;
  limits.refine = second_generation;
  limits.hits = second_generation ? strong::HitWeights::kWithFirm : strong::HitWeights::kCalled;
  return limits;
}

bool ReadValueNetworkOf(const StrongOptions& options, std::optional<ValueNetwork>& network) {
  if (options.search != StrongSearch::kValue) return true;
  std::string error;
  network = options.model_path ? ValueNetwork::Read(*options.model_path, error)
                               : ValueNetwork::Parse(DefaultValueNetworkBytes(), error);
  if (network) return true;
  const std::string message = "curling-engine: value network: " + error + "\n";
  std::fputs(message.c_str(), stderr);
  return false;
}

int RunStrongEngine(const StrongOptions& options) {
  std::optional<ValueNetwork> network;
  if (!ReadValueNetworkOf(options, network)) return 2;
  StrongSession session(options, network ? &*network : nullptr, protocol::WriteReply);
  return RunEngine([&session](char* line) { session.HandleLine(line); });
}

}  // namespace curling
