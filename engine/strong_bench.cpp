#include "engine/strong_bench.h"

#include <cassert>
#include <cstdio>
#include <optional>
#include <string>

#include "engine/bench_command.h"
#include "engine/strong_session.h"
#include "protocol/best_shot_reply.h"
#include "search/strong/game_situation.h"
#include "search/strong/strong_search.h"

namespace curling {
namespace {

// The reply text the strong engine would send for `shot`.
std::string ReplyText(const ShotVector& shot) {
  std::string text;
  protocol::WriteBestShot([&text](const char* reply) { text += reply; }, shot);
  return text;
}

}  // namespace

int RunStrongBench(const StrongOptions& options) {
  assert(options.samples && !options.shot_seconds);
  std::optional<ValueNetwork> network;
  if (!ReadValueNetworkOf(options, network)) return 2;
  if (!LoadBenchLibrary()) return 1;
  const strong::SearchLimits limits = SearchLimitsOf(options, network ? &*network : nullptr);
  uint64_t replies = kFingerprintStart;
  unsigned long long simulations = 0;
  double cpu_seconds = 0.0;
  for (const BenchPosition& position : BenchPositions()) {
    const strong::GameSituation situation = strong::SituationOf(position.state, 0, 0);
    const strong::SearchReport report = strong::SearchStrongShot(position.state, situation, limits);
    const std::string reply = ReplyText(report.chosen.shot);
    replies = Fingerprint(replies, reply + "\n");
    simulations += report.simulations;
    cpu_seconds += report.cpu_seconds;
    std::printf("%-36s %9lld samples %9llu simulations %8.1f cpu ms  %s\n", position.name,
                static_cast<long long>(report.rollouts),
                static_cast<unsigned long long>(report.simulations), report.cpu_seconds * 1e3,
                reply.c_str());
    std::fflush(stdout);
  }
  std::printf(
      "replies %016llx\nbench: %llu simulations, %.0f cpu ms, %.0f simulations per cpu "
      "second\n",
      static_cast<unsigned long long>(replies), simulations, cpu_seconds * 1e3,
      cpu_seconds > 0.0 ? static_cast<double>(simulations) / cpu_seconds : 0.0);
  return 0;
}

}  // namespace curling
