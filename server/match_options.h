// The options of curling-match and how they turn into a game configuration.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "server/game_types.h"

namespace curling::server {

struct MatchOptions {
  std::vector<std::string> engines;  // command lines, at most two
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
  std::vector<double> sprt;
  std::string scenarios;
};

// Declares every option on `app`, storing into `options`.
void AddMatchOptions(CLI::App& app, MatchOptions& options);

// Program and arguments of each seat's engine.
using SeatCommandLines = std::array<std::vector<std::string>, 2>;

// The engine command of each seat, split into words. A seat without --engine
// plays the curling-engine found next to this program.
std::optional<SeatCommandLines> EngineCommandLines(const MatchOptions& options,
                                                   const std::string& default_engine,
                                                   std::string& error);

// Names for the scoreboard: the program's file name, numbered when both are alike.
std::array<std::string, 2> EngineNames(const SeatCommandLines& commands);

GameRules RulesFrom(const MatchOptions& options);

// games/<YYYYMMDD-HHMMSS>-seed<seed>, from the local time now.
std::string DefaultOutputFolder(uint64_t seed);

}  // namespace curling::server
