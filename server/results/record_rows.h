// Rows from the game records on disk, and the context a record does not hold
// itself: the run it belongs to, its place in that run's schedule, and which
// builds played it. The runner (tournament_results.h) and the import
// (folder_import.h) make their rows here, so that both make the same row of
// the same game.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "server/results/executable_hash.h"
#include "server/results/game_row.h"
#include "server/tournament/tournament_plan.h"
#include "server/tournament/tournament_schedule.h"

namespace curling::results {

// The row of the record at `path` (a regular file, never a link), its run
// and schedule fields left at a single game's. Nothing, with `error` set,
// when it cannot be read or holds no finished game (`unfinished` then).
std::optional<GameRow> ReadRecordRow(const std::filesystem::path& path, std::string& error,
                                     bool& unfinished);

// The run of a tournament in `plan.folder`, and of a single game in `folder`.
RunIdentity TournamentRunOf(const server::TournamentPlan& plan);
RunIdentity SingleGameRunOf(const std::filesystem::path& folder);

// Sets the row's run and its place in the schedule of `plan`.
void PlaceInTournament(GameRow& row, const server::TournamentPlan& plan,
                       const server::ScheduledGame& game, bool counted);

// Sets each seat's executable hash: its program's, when unchanged since the
// game began.
void IdentifyBuilds(GameRow& row, ExecutableHasher& hasher);

}  // namespace curling::results
