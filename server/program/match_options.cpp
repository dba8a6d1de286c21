#include "server/program/match_options.h"

#include <charconv>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <iostream>

#include <fmt/format.h>

#include "server/live/live_address.h"
#include "server/text/utf8_text.h"

namespace curling::server {

namespace {

constexpr int kExitUsage = 2;

// The option's text as a finite double, or an error message.
std::string ReadFinite(const std::string& text, double& value) {
  if (!CLI::detail::lexical_cast(text, value)) return "not a number: " + text;
  if (!std::isfinite(value)) return "not a finite number: " + text;
  return {};
}

// The engines and the game: rules, seed, error, time.
void AddGameOptions(CLI::App& app, MatchOptions& options) {
  app.add_option("--engine", options.engines,
                 "Engine command line (program and arguments, split like a shell but never run "
                 "through one), or settings: name=N cmd=C dir=D time=S shot-time=S arg=W "
                 "option.K=V. Once per engine: two for a game (default: the curling-engine next "
                 "to this program), two or more for a tournament")
      ->expected(1)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  app.add_option("--each", options.each,
                 "Settings for every engine: dir=D time=S shot-time=S arg=W option.K=V");
  app.add_option("--ends", options.ends, "Number of ends")
      ->capture_default_str()
      ->check(CLI::Range(1, 100));
  app.add_option("--extra-ends", options.extra_ends,
                 "Extra ends played while tied before the game is a draw")
      ->capture_default_str()
      ->check(CLI::Range(0, 100));
  app.add_option("--seed", options.seed,
                 "Seed of the random delivery error (default: random; printed at the start). "
                 "The same seed and engines replay a game exactly")
      ->check(Uint64Validator());
  app.add_option("--error", options.error, "Random delivery error, standard deviation in metres")
      ->capture_default_str()
      ->check(FiniteRangeValidator(0.0, 10.0));
  app.add_option("--time", options.time, "Thinking-time budget per engine per game, in seconds")
      ->capture_default_str()
      ->check(SecondsValidator());
  app.add_option("--ready-timeout", options.ready_timeout,
                 "Seconds an engine has to answer ISREADY and to read a command")
      ->capture_default_str()
      ->check(SecondsValidator());
}

// Where the output goes, the rules switch, and the modes that play no game.
void AddRunOptions(CLI::App& app, MatchOptions& options) {
  app.add_option("--out", options.out,
                 "Output folder for game.jsonl, replay.html and the engine logs "
                 "(default: games/<date>-<time>-seed<seed>/)");
  app.add_flag("--no-free-guard-zone", options.no_free_guard_zone,
               "Play without the free guard zone rule");
  app.add_flag("--check", options.check,
               "Run a protocol compliance conversation against the (first) engine instead of a "
               "game");
  app.add_option("--record-only", options.record_only,
                 "Write the replay page of an existing game.jsonl (into --out, or beside it) "
                 "instead of playing")
      ->check(CLI::ExistingFile);
  CLI::Option* db = app.add_option("--db", options.db,
                                   "The results database (SQLite) every finished game is added "
                                   "to (docs/results-db.md)")
                        ->capture_default_str();
  app.add_flag("--no-db", options.no_db, "Add no game to the results database")->excludes(db);
  app.add_option("--live", options.live,
                 "Serve a live view of the game or tournament at [ADDR:]PORT while it runs "
                 "(address 127.0.0.1 unless one is named; port 0 picks a free one)")
      ->check(CLI::Validator(
          [](const std::string& text) {
            std::string error;
            return live::ParseLiveAddress(text, error) ? std::string() : error;
          },
          "[ADDR:]PORT"));
}

// A tournament's length, concurrency, faults and test.
void AddTournamentOptions(CLI::App& app, MatchOptions& options) {
  app.add_option("--games", options.games,
                 "Play a tournament of this many games per pair of engines, in pairs on the same "
                 "seed with the first-end hammer swapped; results, Elo and summary.json in --out")
      ->check(CLI::Range(1, 1000000));
  app.add_option("--concurrency", options.concurrency,
                 "Tournament games played at once (default 1: each engine searches on several "
                 "threads of its own)")
      ->check(CLI::Range(1, 64));
  app.add_flag("--recover", options.recover,
               "Tournament: count a game an engine loses by a fault (crash, time, protocol) as a "
               "loss and go on, starting the engine afresh; without it the first fault stops the "
               "tournament (exit code 1). An engine that cannot start always stops it");
  app.add_option("--sprt", options.sprt,
                 "Sequential test elo0 elo1 alpha beta: stop the tournament when it decides "
                 "(--games is then the most games played; default 2000)")
      ->expected(4);
  app.add_option("--sprt-model", options.sprt_model,
                 "normalized: elo0 and elo1 in normalized Elo, the generalized SPRT on the pair "
                 "scores; logistic: logistic Elo, its normal approximation")
      ->capture_default_str()
      ->check(CLI::IsMember({"normalized", "logistic"}));
}

// Start positions from a file and their order.
void AddScenarioOptions(CLI::App& app, MatchOptions& options) {
  app.add_option("--scenarios", options.scenarios,
                 "JSON Lines file of start positions, each played as a pair (see "
                 "server/stats/scenario_file.h); --games defaults to two per position");
  app.add_option("--scenario-order", options.scenario_order,
                 "sequential (the file's order) or random (shuffled by --scenario-seed)")
      ->capture_default_str()
      ->check(CLI::IsMember({"sequential", "random"}));
  app.add_option("--scenario-seed", options.scenario_seed,
                 "Seed of the random order (default: --seed)");
  app.add_option("--scenario-start", options.scenario_start,
                 "The position played first (1 = the file's first)")
      ->capture_default_str()
      ->check(CLI::Range(1, 1000000));
  app.add_option("--scenario-repeats", options.scenario_repeats,
                 "Pairs played in a row on each position")
      ->capture_default_str()
      ->check(CLI::Range(1, 1000000));
}

// A tournament's format, resumption and progress lines.
void AddTournamentFormOptions(CLI::App& app, MatchOptions& options) {
  app.add_option("--format", options.format,
                 "round-robin (every pair of engines plays --games games) or gauntlet (the first "
                 "engine plays --games games against each of the others)")
      ->capture_default_str()
      ->check(CLI::IsMember({"round-robin", "gauntlet"}));
  app.add_option("--resume", options.resume,
                 "Continue the interrupted tournament in this folder: finished games are read "
                 "back, the others played; other options must match the interrupted run's")
      ->check(CLI::ExistingDirectory);
  app.add_option("--report-every", options.report_every,
                 "Games between progress lines of a tournament")
      ->capture_default_str()
      ->check(CLI::Range(1, 1000000));
}

}  // namespace

CLI::Validator SecondsValidator() {
  return CLI::Validator(
      [](std::string& text) -> std::string {
        double value = 0;
        if (std::string why = ReadFinite(text, value); !why.empty()) return why;
        if (value <= 0 || value > kMaxOptionSeconds) {
          return fmt::format("{} s is not more than 0 and at most {:g} s", text, kMaxOptionSeconds);
        }
        return {};
      },
      fmt::format("SECONDS in (0, {:g}]", kMaxOptionSeconds));
}

CLI::Validator FiniteRangeValidator(double low, double high) {
  return CLI::Validator(
      [low, high](std::string& text) -> std::string {
        double value = 0;
        if (std::string why = ReadFinite(text, value); !why.empty()) return why;
        if (value < low || value > high) {
          return fmt::format("{} is not within {:g} to {:g}", text, low, high);
        }
        return {};
      },
      fmt::format("NUMBER in [{:g}, {:g}]", low, high));
}

CLI::Validator Uint64Validator() {
  return CLI::Validator(
      [](std::string& text) -> std::string {
        uint64_t value = 0;
        const char* end = text.data() + text.size();
        const auto [ptr, ec] = std::from_chars(text.data(), end, value);
        if (text.empty() || ec != std::errc() || ptr != end) {
          return text + " is not a whole number from 0 to 18446744073709551615";
        }
        return {};
      },
      "UINT64");
}

std::optional<int> ParseMatchOptions(CLI::App& app, int argc, char** argv) {
  // Names, commands and paths go into the records, the manifest and the
  // summary as JSON text, which holds UTF-8 only.
  if (const std::string error = ArgumentNotUtf8(argc, argv); !error.empty()) {
    std::cerr << error << '\n';
    return kExitUsage;
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    // --help comes this way too, with exit code 0; CLI11 gives every usage
    // error a code of its own, and this program promises 2 for all of them.
    const int code = app.exit(e);
    return code == 0 ? 0 : kExitUsage;
  }
  return std::nullopt;
}

void AddMatchOptions(CLI::App& app, MatchOptions& options) {
  AddGameOptions(app, options);
  AddRunOptions(app, options);
  AddTournamentOptions(app, options);
  AddScenarioOptions(app, options);
  AddTournamentFormOptions(app, options);
  app.get_formatter()->column_width(30);
}

bool WantsTournament(const MatchOptions& options) {
  return options.games || !options.sprt.empty() || !options.scenarios.empty() ||
         !options.resume.empty() || options.engines.size() > 2;
}

GameRules RulesFrom(const MatchOptions& options) {
  GameRules rules;
  rules.ends = options.ends;
  rules.extra_ends = options.extra_ends;
  rules.error = options.error;
  rules.time_budget = options.time;
  rules.ready_timeout = options.ready_timeout;
  rules.free_guard_zone = !options.no_free_guard_zone;
  return rules;
}

std::string DefaultOutputFolder(uint64_t seed) {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &tm);
  return fmt::format("games/{}-seed{}", stamp, seed);
}

}  // namespace curling::server
