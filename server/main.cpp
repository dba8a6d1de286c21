// curling-match: plays one game between two engine processes and leaves its
// record, a replay page and the engines' logs in an output folder.
//
// Exit code: 0 the game was played to a result (win or draw), 1 it ended by
// an engine's fault, 2 bad options or the output could not be written, 3 it
// was interrupted. With --check: 0 when every step passed, else 1.
#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <random>

#include "server/compliance_check.h"
#include "server/game.h"
#include "server/game_record.h"
#include "server/interruption.h"
#include "server/match_options.h"
#include "server/replay_page.h"
#include "server/scoreboard.h"
#include "sim/simulator.h"

namespace fs = std::filesystem;
using namespace curling::server;

namespace {

constexpr int kExitCompleted = 0;
constexpr int kExitFault = 1;
constexpr int kExitUsage = 2;
constexpr int kExitInterrupted = 3;

std::string DefaultEngine() {
  std::error_code ec;
  const fs::path self = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return "curling-engine";
  return (self.parent_path() / "curling-engine").string();
}

int RecordOnly(const MatchOptions& options) {
  const fs::path record = options.record_only;
  const fs::path folder = options.out.empty() ? record.parent_path() : fs::path(options.out);
  std::error_code ec;
  if (!folder.empty()) fs::create_directories(folder, ec);
  const fs::path page = folder / "replay.html";
  std::string error;
  if (!WriteReplayPage(record.string(), page.string(), error)) {
    std::cerr << "curling-match: " << error << '\n';
    return kExitUsage;
  }
  std::cout << "Replay page: " << page.string() << '\n';
  return kExitCompleted;
}

int Check(const MatchOptions& options, const std::vector<std::string>& engine) {
  const fs::path folder = options.out.empty() ? fs::path(".") : fs::path(options.out);
  std::error_code ec;
  fs::create_directories(folder, ec);
  CheckSettings settings;
  settings.ready_timeout = options.ready_timeout;
  settings.go_timeout = std::min(options.time, 120.0);
  const fs::path log = folder / "check-engine.stderr.log";
  const bool passed = RunComplianceCheck(engine, log.string(), settings, std::cout);
  std::cout << (passed ? "All steps passed." : "Some steps failed.")
            << " Engine stderr: " << log.string() << '\n';
  return passed ? kExitCompleted : kExitFault;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Plays one game of curling between two engine processes."};
  MatchOptions options;
  AddMatchOptions(app, options);
  CLI11_PARSE(app, argc, argv);

  InstallSignalHandlers();
  if (!options.record_only.empty()) return RecordOnly(options);

  std::string error;
  const auto commands = EngineCommands(options, DefaultEngine(), error);
  if (!commands) {
    std::cerr << "curling-match: " << error << '\n';
    return kExitUsage;
  }
  if (options.check) return Check(options, (*commands)[0]);

  GameConfig config;
  config.rules = RulesFrom(options);
  config.seed = options.seed ? *options.seed : std::random_device{}();
  const auto names = EngineNames(*commands);
  const fs::path folder =
      options.out.empty() ? fs::path(DefaultOutputFolder(config.seed)) : fs::path(options.out);
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec) {
    std::cerr << "curling-match: cannot create " << folder.string() << ": " << ec.message() << '\n';
    return kExitUsage;
  }
  for (int seat = 0; seat < 2; ++seat) {
    config.engines[seat] = {
        names[seat], (*commands)[seat],
        (folder / ("engine-" + std::to_string(seat + 1) + ".stderr.log")).string()};
  }

  std::cout << "Seed " << config.seed << ", output in " << folder.string() << '\n';
  const fs::path record_path = folder / "game.jsonl";
  GameRecordWriter record(record_path.string());
  if (!record.ok()) {
    std::cerr << "curling-match: cannot write " << record_path.string() << '\n';
    return kExitUsage;
  }
  Scoreboard scoreboard(std::cout, isatty(STDOUT_FILENO) == 1);
  Game game(config, [](const GameState& state, const ShotVector& shot, float error,
                       curling::sim::RandomStream& stream, const curling::sim::Rules& rules) {
    return curling::sim::PlayShot(state, shot, error, stream, rules, 0.1f);
  });
  game.AddObserver(&record);
  game.AddObserver(&scoreboard);
  const GameResult result = game.Play();

  const fs::path page = folder / "replay.html";
  if (!WriteReplayPage(record_path.string(), page.string(), error)) {
    std::cerr << "curling-match: " << error << '\n';
  }
  std::cout << "Record: " << record_path.string() << "\nReplay: " << page.string() << '\n';
  switch (result.outcome) {
    case GameOutcome::kCompleted:
      return kExitCompleted;
    case GameOutcome::kFault:
      return kExitFault;
    case GameOutcome::kInterrupted:
      return kExitInterrupted;
  }
  return kExitFault;
}
