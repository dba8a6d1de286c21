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

// Game `index` of the plan when its record (in the plan's folder) ends in a
// win, a draw or a fault and is that game's (RecordMismatch: the plan's
// engines, seed, rules and start, its ends adding up to its result); nothing
// otherwise. `why` says why a record that is there is not counted ("" for a
// game simply unfinished or never started).
std::optional<FinishedGame> ReadFinishedGame(const TournamentPlan& plan, int index,
                                             std::string& why);
// The same from a record's lines (ReadGameRecord's).
std::optional<FinishedGame> FinishedGameFromRecord(const std::vector<nlohmann::json>& lines,
                                                   const TournamentPlan& plan, int index,
                                                   std::string& why);

struct ResumedGames {
  std::vector<FinishedGame> finished;  // by index
  std::vector<std::string> replayed;   // "RECORD: why", for each record not counted
  std::string error;  // a record's path holds a link, a folder, a FIFO...: nothing is resumed
};

// Every finished game of the plan's folder.
ResumedGames ReadFinishedGames(const TournamentPlan& plan, int total_games);

}  // namespace curling::server
