// curling-match: plays one game between two engine processes and leaves its
// record, a replay page and the engines' logs in an output folder.
//
// Exit code: 0 the game was played to a result (win or draw), 1 it ended by
// an engine's fault, 2 bad options or the output could not be written, 3 it
// was interrupted. With --check: 0 when every step passed, else 1. With
// --games, --sprt, --scenarios, --resume or more than two engines it plays a
// tournament (server/program/tournament_command.h):
// 0 played to its end or stopped by the test, 1 stopped by an engine's
// fault, 2 bad options or output, 3 interrupted. Every run that gets a result leaves summary.json
// and adds its games to the results database (--db, --no-db). The subcommands db import, db init
// and ratings work on that database (server/program/results_commands.h).
#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <optional>
#include <random>

#include "curling_simulator/version.h"
#include "server/game/compliance_check.h"
#include "server/game/game.h"
#include "server/game/game_record.h"
#include "server/game/replay_page.h"
#include "server/game/scoreboard.h"
#include "server/program/engine_settings.h"
#include "server/program/live_option.h"
#include "server/program/match_options.h"
#include "server/program/match_program.h"
#include "server/program/results_commands.h"
#include "server/program/tournament_command.h"
#include "server/results/tournament_results.h"
#include "server/seat/interruption.h"
#include "server/stats/scenario_file.h"
#include "server/stats/tournament_tally.h"
#include "server/tournament/tournament_ledger.h"

namespace fs = std::filesystem;
using namespace curling::server;

namespace {

constexpr int kExitCompleted = 0;
constexpr int kExitFault = 1;
constexpr int kExitUsage = 2;
constexpr int kExitInterrupted = 3;

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

// The output folder: --out, or a fresh one named after the date and seed.
std::optional<fs::path> OutputFolder(const MatchOptions& options, uint64_t seed) {
  const fs::path folder =
      options.out.empty() ? fs::path(DefaultOutputFolder(seed)) : fs::path(options.out);
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec) {
    std::cerr << "curling-match: cannot create " << folder.string() << ": " << ec.message() << '\n';
    return std::nullopt;
  }
  return folder;
}

GameConfig OneGameConfig(const MatchOptions& options, const std::vector<EngineCommand>& engines,
                         const fs::path& folder, uint64_t seed) {
  GameConfig config;
  config.rules = RulesFrom(options);
  config.seed = seed;
  for (int seat = 0; seat < 2; ++seat) {
    config.engines[seat] = engines[static_cast<size_t>(seat)];
    config.engines[seat].stderr_log =
        fs::absolute(folder / ("engine-" + std::to_string(seat + 1) + ".stderr.log")).string();
  }
  return config;
}

// One game is a tournament of one: the same summary.json, without an Elo.
void WriteOneGameSummary(const fs::path& folder, const GameConfig& config,
                         const GameResult& result) {
  curling::stats::TournamentTally tally;
  tally.Record(0, ResultForA(result, 0, std::nullopt));
  curling::stats::TournamentSummary summary = curling::stats::Summarize(tally.Snapshot(), {});
  summary.engine_a = config.engines[0].name;
  summary.engine_b = config.engines[1].name;
  summary.games_planned = 1;
  if (std::string why = curling::stats::WriteSummaryJson(folder, summary); !why.empty()) {
    std::cerr << "curling-match: " << why << '\n';
  }
}

using curling::server::live::LiveView;

int ExitCodeOf(const GameResult& result) {
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

// Plays one game with the scoreboard on standard output; leaves its record,
// replay page, engine logs and summary in the output folder.
int OneGame(const MatchOptions& options, const std::vector<EngineCommand>& engines,
            LiveView* live) {
  const uint64_t seed = options.seed ? *options.seed : std::random_device{}();
  std::string error;
  const std::unique_ptr<curling::results::ResultsDatabase> db =
      OpenRunResults(options.db, options.no_db, error);
  if (!error.empty()) {
    std::cerr << "curling-match: " << error << '\n';
    return kExitUsage;
  }
  const std::optional<fs::path> folder = OutputFolder(options, seed);
  if (!folder) return kExitUsage;
  const GameConfig config = OneGameConfig(options, engines, *folder, seed);
  std::cout << "Seed " << seed << ", output in " << folder->string() << '\n';
  const fs::path record_path = *folder / "game.jsonl";
  GameRecordWriter record(record_path.string());
  if (!record.ok()) {
    std::cerr << "curling-match: " << record.error() << '\n';
    return kExitUsage;
  }
  if (live) {
    live->feed().StartGame(*folder, config.engines[0].name, config.engines[1].name);
    record.set_listener(&live->feed());
  }
  Scoreboard scoreboard(std::cout, isatty(STDOUT_FILENO) == 1);
  Game game(config, LibraryShotPlayer());
  game.AddObserver(&record);
  game.AddObserver(&scoreboard);
  const GameResult result = game.Play();
  if (!record.ok()) {
    // The game stopped at the first line that could not be written (a full
    // disk, say): the record is what a result stands on.
    std::cerr << "curling-match: " << record.error() << "; the record is incomplete\n";
    return kExitUsage;
  }
  const fs::path page = *folder / "replay.html";
  if (!WriteReplayPage(record_path.string(), page.string(), error)) {
    std::cerr << "curling-match: " << error << '\n';
  }
  std::cout << "Record: " << record_path.string() << "\nReplay: " << page.string() << '\n';
  if (live) live->feed().GameFinished(result.reason, fs::exists(page) ? "replay.html" : "");
  if (result.outcome == GameOutcome::kInterrupted) return ExitCodeOf(result);
  WriteOneGameSummary(*folder, config, result);
  if (db) {
    if (error = curling::results::StoreSingleGame(*db, record_path); !error.empty()) {
      std::cerr << "curling-match: " << error << '\n';
      return kExitUsage;
    }
    std::cout << "Results database: " << db->path() << '\n';
  }
  return ExitCodeOf(result);
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Plays one game of curling between two engine processes, or a tournament."};
  MatchOptions options;
  AddMatchOptions(app, options);
  app.set_version_flag("--version", std::string("curling-match ") + CURLING_SIMULATOR_VERSION);
  ResultsCommandOptions results_options;
  AddResultsCommands(app, results_options);
  if (const std::optional<int> exit_code = ParseMatchOptions(app, argc, argv)) return *exit_code;
  if (const std::optional<int> exit_code =
          RunResultsCommand(app, results_options, std::cout, std::cerr)) {
    return *exit_code;
  }

  InstallSignalHandlers();
  if (!options.record_only.empty()) return RecordOnly(options);
  if (WantsTournament(options) && !options.check) {
    TournamentCommandLine command;
    command.options = options;
    command.arguments.assign(argv + 1, argv + argc);
    command.given = GivenOptions(app);
    command.default_engine = DefaultEngine();
    bool failed = false;
    const std::unique_ptr<LiveView> live =
        StartLiveView(options, "curling-match", std::cout, std::cerr, failed);
    if (failed) return kExitUsage;
    const int code = RunTournamentCommand(command, LibraryShotPlayer(), std::cout, std::cerr,
                                          live ? &live->feed() : nullptr);
    StopLiveView(live.get(), std::cout);
    return code;
  }
  std::string error;
  const auto engines = EngineCommandsFrom(options.engines, options.each, DefaultEngine(), 2, error);
  if (!engines) {
    std::cerr << "curling-match: " << error << '\n';
    return kExitUsage;
  }
  if (options.check) return Check(options, engines->front().argv);
  bool failed = false;
  const std::unique_ptr<LiveView> live =
      StartLiveView(options, "curling-match", std::cout, std::cerr, failed);
  if (failed) return kExitUsage;
  const int code = OneGame(options, *engines, live.get());
  StopLiveView(live.get(), std::cout);
  return code;
}
