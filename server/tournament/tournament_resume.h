// Continuing an interrupted tournament (--resume DIR). The output folder
// keeps tournament.json (the plan that decides the games, PlanJson, and the
// command line it came from); a resumed run must have the same plan. Games
// whose record ends in a result (a win, a draw, a fault) are read back and
// booked as they were; the others (interrupted, cut short, never started) are
// played again from their seed.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "server/tournament/tournament_ledger.h"
#include "server/tournament/tournament_plan.h"

namespace curling::server {

struct TournamentManifest {
  nlohmann::json plan;                 // PlanJson of the run
  std::vector<std::string> arguments;  // its command line, program name left out
};

inline constexpr const char* kManifestFile = "tournament.json";

// Writes `folder`/tournament.json; returns an empty string or what went wrong.
std::string WriteManifest(const std::filesystem::path& folder, const TournamentManifest& manifest);
// Reads it back; nothing with `error` set when it is missing or malformed.
std::optional<TournamentManifest> ReadManifest(const std::filesystem::path& folder,
                                               std::string& error);

// The game of `folder` (game-NNNN) when its record ends in a win, a draw or
// a fault; nothing otherwise.
std::optional<FinishedGame> ReadFinishedGame(const std::filesystem::path& game_folder, int index);

// Every finished game of the plan's folder, by index.
std::vector<FinishedGame> ReadFinishedGames(const TournamentPlan& plan, int total_games);

}  // namespace curling::server
