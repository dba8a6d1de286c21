// The options of curling-match and how they turn into a game configuration.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "server/game/game_types.h"
#include "server/results/results_database.h"

namespace curling::server {

struct MatchOptions {
  std::vector<std::string> engines;  // command lines or key=value settings (engine_settings.h)
  std::string each;                  // settings for every engine
  int ends = 8;
  int extra_ends = 4;
  std::optional<uint64_t> seed;
  float error = sim::kMatchRandomError;
  double time = 1800;  // seconds of thinking time per engine per game
  double ready_timeout = 10;
  std::string out;  // output folder; default games/<date>-<time>-seed<seed>/
  bool check = false;
  std::string record_only;
  bool no_free_guard_zone = false;
  // Tournament (any of these makes one): games in pairs, games at once, SPRT
  // elo0 elo1 alpha beta, start positions file.
  std::optional<int> games;
  int concurrency = 1;
  bool recover = false;  // a faulted game counts as a loss instead of stopping
  std::vector<double> sprt;
  std::string sprt_model = "normalized";
  std::string scenarios;
  std::string scenario_order = "sequential";
  std::optional<uint64_t> scenario_seed;
  int scenario_start = 1;
  int scenario_repeats = 1;
  std::string format = "round-robin";
  std::string resume;  // the folder of an interrupted tournament
  int report_every = 1;
  // The results database every finished game goes into, unless no_db.
  std::string db = results::kDefaultResultsDatabase;
  bool no_db = false;
  // The live view's [ADDR:]PORT, or empty for none.
  std::string live;
};

// Longest duration an option takes, in seconds (about 11.6 days): far beyond
// any game, and far from where clock arithmetic could overflow.
inline constexpr double kMaxOptionSeconds = 1e6;

// Whether the options ask for a tournament rather than one game.
bool WantsTournament(const MatchOptions& options);

// Declares every option on `app`, storing into `options`.
void AddMatchOptions(CLI::App& app, MatchOptions& options);

// Parses the command line into the options declared on `app`. Returns the
// exit code when the program is to end at once: 0 after --help, 2 after a
// usage error (CLI11's message on standard error).
std::optional<int> ParseMatchOptions(CLI::App& app, int argc, char** argv);

// Checks of option values, for options declared elsewhere too: a duration in
// seconds (finite, more than 0, at most kMaxOptionSeconds); a finite number
// within [low, high]; a whole number 0 to 2^64 - 1 written in decimal digits.
CLI::Validator SecondsValidator();
CLI::Validator FiniteRangeValidator(double low, double high);
CLI::Validator Uint64Validator();

GameRules RulesFrom(const MatchOptions& options);

// games/<YYYYMMDD-HHMMSS>-seed<seed>, from the local time now.
std::string DefaultOutputFolder(uint64_t seed);

}  // namespace curling::server
