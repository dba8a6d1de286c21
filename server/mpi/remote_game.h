// A game played on another machine, on its way to the one that keeps the
// tournament's folder. The player packs the game's result with the files its
// game left in a scratch folder (game.jsonl, the engines' logs, the replay
// page it built: building it is most of what storing a game costs, better
// spent on a player than on the one coordinator); the coordinator unpacks
// them and stores them in the tournament's folder as if the game had been
// played there. The packed form is a
// byte string (lengths and raw bytes), so that a record or a log holding any
// bytes arrives unchanged.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "server/tournament/tournament_ledger.h"

namespace curling::server {

struct RemoteGame {
  FinishedGame game;                                       // index and result
  std::vector<std::pair<std::string, std::string>> files;  // file name, contents
};

// An engine log longer than this travels cut short, with a line saying so.
inline constexpr size_t kMaxTravellingLog = size_t{1} << 20;

// The game with the files of `folder` (logs, *.log, up to kMaxTravellingLog;
// the others whole). Empty with `error` set when the folder cannot be read.
std::string PackGame(const FinishedGame& game, const std::filesystem::path& folder,
                     std::string& error);

// The game back; nothing, with `error` set, when `bytes` are not a packed
// game of a tournament of `total_games` games.
std::optional<RemoteGame> UnpackGame(const std::string& bytes, int total_games, std::string& error);

// Writes the game's files into its folder under `tournament_folder`, the
// record whole after the logs (a crash leaves no half record), then the
// replay page (built here when none came). Returns an empty string or what
// went wrong.
std::string StoreGame(const RemoteGame& remote, const std::filesystem::path& tournament_folder);

}  // namespace curling::server
