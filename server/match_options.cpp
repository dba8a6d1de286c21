#include "server/match_options.h"

#include <ctime>
#include <filesystem>

#include <fmt/format.h>

#include "server/command_words.h"

namespace curling::server {

void AddMatchOptions(CLI::App& app, MatchOptions& options) {
  app.add_option("--engine", options.engines,
                 "Engine command line (program and arguments, split like a shell but never run "
                 "through one); give it twice, for the first and the second engine. Default: the "
                 "curling-engine next to this program")
      ->expected(1)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  app.add_option("--ends", options.ends, "Number of ends")
      ->capture_default_str()
      ->check(CLI::Range(1, 100));
  app.add_option("--extra-ends", options.extra_ends,
                 "Extra ends played while tied before the game is a draw")
      ->capture_default_str()
      ->check(CLI::Range(0, 100));
  app.add_option("--seed", options.seed,
                 "Seed of the random delivery error (default: random; printed at the start). "
                 "The same seed and engines replay a game exactly");
  app.add_option("--error", options.error, "Random delivery error, standard deviation in metres")
      ->capture_default_str()
      ->check(CLI::Range(0.0, 10.0));
  app.add_option("--time", options.time, "Thinking-time budget per engine per game, in seconds")
      ->capture_default_str()
      ->check(CLI::PositiveNumber);
  app.add_option("--ready-timeout", options.ready_timeout,
                 "Seconds an engine has to answer ISREADY and to read a command")
      ->capture_default_str()
      ->check(CLI::PositiveNumber);
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
  app.add_option("--games", options.games,
                 "Play a tournament of this many games, in pairs on the same seed with the "
                 "first-end hammer swapped; results, Elo and summary.json in --out")
      ->check(CLI::Range(1, 1000000));
  app.add_option("--concurrency", options.concurrency,
                 "Tournament games played at once (default 1: each engine searches on several "
                 "threads of its own)")
      ->check(CLI::Range(1, 64));
  app.add_option("--sprt", options.sprt,
                 "Sequential test elo0 elo1 alpha beta: stop the tournament when it decides "
                 "(--games is then the most games played; default 2000)")
      ->expected(4);
  app.add_option("--scenarios", options.scenarios,
                 "JSON Lines file of start positions, each played as a pair (see "
                 "server/stats/scenario_file.h); --games defaults to two per position");
  app.get_formatter()->column_width(30);
}

std::optional<SeatCommandLines> EngineCommandLines(const MatchOptions& options,
                                                   const std::string& default_engine,
                                                   std::string& error) {
  if (options.engines.size() > 2) {
    error = "--engine is given more than twice";
    return std::nullopt;
  }
  SeatCommandLines commands;
  for (size_t seat = 0; seat < 2; ++seat) {
    if (seat >= options.engines.size()) {
      commands[seat] = {default_engine};
      continue;
    }
    std::string why;
    auto words = SplitCommandWords(options.engines[seat], why);
    if (!words || words->empty()) {
      error = fmt::format("--engine \"{}\": {}", options.engines[seat],
                          words ? "no program given" : why);
      return std::nullopt;
    }
    commands[seat] = std::move(*words);
  }
  return commands;
}

std::array<std::string, 2> EngineNames(const SeatCommandLines& commands) {
  std::array<std::string, 2> names;
  for (int seat = 0; seat < 2; ++seat) {
    names[seat] = std::filesystem::path(commands[seat][0]).filename().string();
  }
  if (names[0] == names[1]) {
    names[0] += " #1";
    names[1] += " #2";
  }
  return names;
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
