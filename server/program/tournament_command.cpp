#include "server/program/tournament_command.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <random>

#include <fmt/format.h>

#include "server/program/engine_settings.h"
#include "server/program/results_commands.h"
#include "server/results/tournament_results.h"
#include "server/tournament/tournament.h"
#include "server/tournament/tournament_resume.h"

namespace curling::server {

namespace fs = std::filesystem;

namespace {

constexpr int kExitCompleted = 0;
constexpr int kExitFault = 1;
constexpr int kExitUsage = 2;
constexpr int kExitInterrupted = 3;
constexpr int kDefaultSprtGames = 2000;

// The tournament the options ask for, or nothing with `error` set.
std::optional<TournamentPlan> PlanFrom(const MatchOptions& options,
                                       const std::string& default_engine, std::string& error) {
  TournamentPlan plan;
  auto engines = EngineCommandsFrom(options.engines, options.each, default_engine, 2, error);
  if (!engines) return std::nullopt;
  plan.engines = std::move(*engines);
  plan.format =
      options.format == "gauntlet" ? TournamentFormat::kGauntlet : TournamentFormat::kRoundRobin;
  plan.rules = RulesFrom(options);
  plan.seed = options.seed ? *options.seed : std::random_device{}();
  plan.concurrency = options.concurrency;
  plan.recover = options.recover;
  plan.report_every = options.report_every;
  if (!options.scenarios.empty()) {
    stats::ScenarioList list = stats::LoadScenarioFile(options.scenarios);
    if (!list.error.empty()) {
      error = "--scenarios: " + list.error;
      return std::nullopt;
    }
    plan.scenarios.list = std::move(list.scenarios);
  }
  plan.scenarios.order =
      options.scenario_order == "random" ? ScenarioOrder::kRandom : ScenarioOrder::kSequential;
  plan.scenarios.seed = options.scenario_seed.value_or(plan.seed);
  plan.scenarios.start = options.scenario_start - 1;
  plan.scenarios.repeats = options.scenario_repeats;
  if (!options.sprt.empty()) {
    plan.sprt =
        stats::SprtParameters{options.sprt[0], options.sprt[1], options.sprt[2], options.sprt[3]};
    plan.sprt->model = options.sprt_model == "logistic" ? stats::SprtModel::kLogistic
                                                        : stats::SprtModel::kNormalized;
  }
  const int positions = static_cast<int>(plan.scenarios.list.size());
  plan.games = options.games   ? *options.games
               : plan.sprt     ? kDefaultSprtGames
               : positions > 0 ? 2 * positions * plan.scenarios.repeats
                               : 2;
  error = ValidateTournamentPlan(plan);
  if (!error.empty()) return std::nullopt;
  return plan;
}

// The arguments to keep in tournament.json: as given, with the seed made
// explicit so that a resumed run plays the same games.
std::vector<std::string> ArgumentsToKeep(const TournamentCommandLine& command, uint64_t seed) {
  std::vector<std::string> kept = command.arguments;
  if (!command.options.seed) {
    kept.push_back("--seed");
    kept.push_back(std::to_string(seed));
  }
  return kept;
}

// The options of the interrupted run in `folder`, with this run's
// concurrency and report interval.
std::optional<MatchOptions> StoredOptions(const TournamentCommandLine& command,
                                          const TournamentManifest& manifest, std::string& error) {
  CLI::App app;
  MatchOptions stored;
  AddMatchOptions(app, stored);
  std::vector<std::string> reversed(manifest.arguments.rbegin(), manifest.arguments.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::ParseError& e) {
    error = std::string("the interrupted run's options no longer parse: ") + e.what();
    return std::nullopt;
  }
  stored.concurrency = command.options.concurrency;
  stored.report_every = command.options.report_every;
  return stored;
}

void PrintStart(const TournamentPlan& plan, int total_games, std::ostream& out) {
  if (plan.engines.size() == 2) {
    out << "Tournament: A = " << plan.engines[0].name << ", B = " << plan.engines[1].name << ", "
        << plan.games << " games from seed " << plan.seed << " (pair k on seed " << plan.seed
        << " + k), output in " << plan.folder.string() << std::endl;
    return;
  }
  std::string names;
  for (size_t i = 0; i < plan.engines.size(); ++i)
    names += (i ? ", " : "") + plan.engines[i].name;
  out << "Tournament (" << TournamentFormatName(plan.format) << "): " << names << "; " << plan.games
      << " games per pairing, " << total_games << " in all, from seed " << plan.seed
      << " (round r on seed " << plan.seed << " + r), output in " << plan.folder.string()
      << std::endl;
}

}  // namespace

namespace {

// The entries of PlanJson each option decides; options a resumed run may
// change freely are absent, and so are those that make no tournament.
const std::map<std::string, std::vector<std::string>>& PlanKeysOfOptions() {
  static const std::map<std::string, std::vector<std::string>> keys = {
      {"--engine", {"engines"}},
      {"--each", {"engines"}},
      {"--format", {"format"}},
      {"--games", {"games"}},
      {"--seed", {"seed"}},
      {"--ends", {"ends"}},
      {"--extra-ends", {"extra_ends"}},
      {"--error", {"error"}},
      {"--time", {"time"}},
      {"--ready-timeout", {"ready_timeout"}},
      {"--no-free-guard-zone", {"free_guard_zone"}},
      {"--recover", {"recover"}},
      {"--sprt", {"sprt"}},
      {"--sprt-model", {"sprt"}},
      {"--scenarios", {"scenarios"}},
      {"--scenario-order", {"scenario_order"}},
      {"--scenario-seed", {"scenario_seed"}},
      {"--scenario-start", {"scenario_start"}},
      {"--scenario-repeats", {"scenario_repeats"}}};
  return keys;
}

bool ChangeableOnResume(const std::string& option) {
  return option == "--resume" || option == "--concurrency" || option == "--report-every" ||
         option == "--db" || option == "--no-db" || option == "--live";
}

// The interrupted run's plan, checked against the options given now: each
// must agree with what the run had. Nothing, with `error` set, otherwise.
std::optional<TournamentPlan> ResumedPlan(const TournamentCommandLine& command,
                                          const TournamentManifest& manifest, std::string& error) {
  auto stored = StoredOptions(command, manifest, error);
  if (!stored) return std::nullopt;
  auto plan = PlanFrom(*stored, command.default_engine, error);
  if (!plan) return std::nullopt;
  std::vector<std::string> keys;
  for (const std::string& option : command.given) {
    if (ChangeableOnResume(option)) continue;
    if (option == "--out") {
      error = "--out cannot be used with --resume: a resumed tournament goes on in its own folder";
      return std::nullopt;
    }
    const auto entry = PlanKeysOfOptions().find(option);
    if (entry == PlanKeysOfOptions().end()) {
      error = option + " cannot be used with --resume";
      return std::nullopt;
    }
    keys.insert(keys.end(), entry->second.begin(), entry->second.end());
  }
  if (keys.empty()) return plan;
  auto now = PlanFrom(command.options, command.default_engine, error);
  if (!now) return std::nullopt;
  nlohmann::json was = nlohmann::json::object();
  nlohmann::json given = nlohmann::json::object();
  for (const std::string& key : keys) {
    was[key] = manifest.plan.value(key, nlohmann::json());
    given[key] = PlanJson(*now)[key];
  }
  if (std::string d = FirstPlanDifference(was, given); !d.empty()) {
    error = "an option differs from the interrupted run's (" + d +
            "); give the same, or --resume alone";
    return std::nullopt;
  }
  return plan;
}

}  // namespace

namespace {

// The plan of the interrupted run in --resume's folder and its finished
// games (the records not counted are reported on `err`). Nothing, with
// `error` set, when it cannot be resumed as asked.
std::optional<TournamentPlan> PrepareResumed(const TournamentCommandLine& command,
                                             std::vector<FinishedGame>& finished, std::ostream& err,
                                             std::string& error) {
  const std::string& folder = command.options.resume;
  std::optional<TournamentManifest> manifest = ReadManifest(folder, error);
  std::optional<TournamentPlan> plan;
  if (manifest) plan = ResumedPlan(command, *manifest, error);
  if (!plan) return std::nullopt;
  if (std::string d = FirstPlanDifference(manifest->plan, PlanJson(*plan)); !d.empty()) {
    error = "the interrupted run's options no longer make the same tournament (" + d + ")";
    return std::nullopt;
  }
  plan->folder = folder;
  ResumedGames games = ReadFinishedGames(*plan, TournamentSchedule(*plan).total_games());
  if (!games.error.empty()) {
    error = games.error;
    return std::nullopt;
  }
  for (const std::string& why : games.replayed) {
    err << command.program << ": not counted, played again: " << why << '\n';
  }
  finished = std::move(games.finished);
  return plan;
}

// The plan of a new tournament, its folder made and tournament.json written.
std::optional<TournamentPlan> PrepareNew(const TournamentCommandLine& command, std::string& error) {
  const MatchOptions& options = command.options;
  std::optional<TournamentPlan> plan = PlanFrom(options, command.default_engine, error);
  if (!plan) return std::nullopt;
  const fs::path folder =
      options.out.empty() ? fs::path(DefaultOutputFolder(plan->seed)) : fs::path(options.out);
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec) {
    error = "cannot create " + folder.string() + ": " + ec.message();
    return std::nullopt;
  }
  plan->folder = folder;
  error = WriteManifest(folder, {PlanJson(*plan), ArgumentsToKeep(command, plan->seed)});
  if (!error.empty()) return std::nullopt;
  return plan;
}

int Conclude(const TournamentCommandLine& command, const TournamentPlan& plan,
             const TournamentOutcome& outcome, std::ostream& out, std::ostream& err) {
  const std::string& program = command.program;
  out << '\n'
      << stats::FormatStandingsReport(outcome.standings)
      << "Summary: " << (plan.folder / "summary.json").string()
      << "\nGames: " << (plan.folder / "index.html").string() << '\n';
  if (!outcome.error.empty()) {
    err << program << ": " << outcome.error << '\n';
    return kExitUsage;
  }
  if (!outcome.fault.empty()) {
    err << program << ": tournament stopped by an engine's fault in " << outcome.fault
        << "\n(--recover counts such a game as a loss and goes on)\n";
    return kExitFault;
  }
  if (outcome.interrupted()) {
    out << "Interrupted; continue with: " << program << " --resume " << plan.folder.string()
        << '\n';
    return kExitInterrupted;
  }
  return kExitCompleted;
}

}  // namespace

namespace {

// The results database of the run: --db or --no-db as given, else on
// --resume the interrupted run's choice, else the default.
std::unique_ptr<results::ResultsDatabase> RunResults(const TournamentCommandLine& command,
                                                     std::string& error) {
  const MatchOptions& options = command.options;
  const auto given = [&](const char* name) {
    return std::find(command.given.begin(), command.given.end(), name) != command.given.end();
  };
  if (options.resume.empty() || given("--db") || given("--no-db")) {
    return OpenRunResults(options.db, options.no_db, error);
  }
  std::optional<TournamentManifest> manifest = ReadManifest(options.resume, error);
  std::optional<MatchOptions> stored;
  if (manifest) stored = StoredOptions(command, *manifest, error);
  // A folder that cannot be resumed is reported by PrepareResumed.
  error.clear();
  if (!stored) return nullptr;
  return OpenRunResults(stored->db, stored->no_db, error);
}

}  // namespace

int RunTournamentCommand(const TournamentCommandLine& command, const TournamentRunner& runner,
                         std::ostream& out, std::ostream& err) {
  std::string error;
  std::unique_ptr<results::ResultsDatabase> db = RunResults(command, error);
  if (!error.empty()) {
    err << command.program << ": " << error << '\n';
    return kExitUsage;
  }
  std::vector<FinishedGame> finished;
  const bool resume = !command.options.resume.empty();
  const std::optional<TournamentPlan> plan =
      resume ? PrepareResumed(command, finished, err, error) : PrepareNew(command, error);
  if (!plan) {
    err << command.program << ": " << (resume ? "--resume " + command.options.resume + ": " : "")
        << error << '\n';
    return kExitUsage;
  }
  PrintStart(*plan, TournamentSchedule(*plan).total_games(), out);
  std::optional<results::TournamentResults> keeper;
  if (db) {
    keeper.emplace(*plan, *db);
    out << "Results database: " << db->path() << std::endl;
  }
  return Conclude(command, *plan, runner(*plan, out, finished, keeper ? &*keeper : nullptr), out,
                  err);
}

int RunTournamentCommand(const TournamentCommandLine& command, const ShotPlayer& player,
                         std::ostream& out, std::ostream& err, TournamentWatcher* watcher) {
  const TournamentRunner local = [&player, watcher](const TournamentPlan& plan, std::ostream& o,
                                                    const std::vector<FinishedGame>& finished,
                                                    BookedGameListener* listener) {
    return RunTournament(plan, player, o, finished, listener, watcher);
  };
  return RunTournamentCommand(command, local, out, err);
}

}  // namespace curling::server
