// curling-match's tournament mode: the options turned into a plan, a new
// output folder or a resumed one, the run, the report and the exit code.
#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "server/game/game.h"
#include "server/program/match_options.h"
#include "server/tournament/tournament_books.h"

namespace curling::server {

struct TournamentCommandLine {
  MatchOptions options;
  std::vector<std::string> arguments;     // as given, program name left out
  std::vector<std::string> given;         // the names of the options given ("--games", ...)
  std::string default_engine;             // the engine of a seat without --engine
  std::string program = "curling-match";  // in messages and the --resume hint
};

// Plays a prepared plan (folder made, tournament.json written), booking
// `finished` (the games of a resumed run) first and telling `listener` (may
// be null: --no-db) of every game booked.
using TournamentRunner = std::function<TournamentOutcome(
    const TournamentPlan& plan, std::ostream& out, const std::vector<FinishedGame>& finished,
    BookedGameListener* listener)>;

// Plays the tournament, adding every finished game to the results database
// (--db, or on --resume the interrupted run's; none with --no-db). Exit code:
// 0 played to its end or stopped by the test, 1 stopped by an engine's
// fault, 2 bad options, a results database that cannot be used or output
// that cannot be written, 3 interrupted.
// `watcher` (may be null: no --live) is told of the games as they are played.
int RunTournamentCommand(const TournamentCommandLine& command, const ShotPlayer& player,
                         std::ostream& out, std::ostream& err,
                         TournamentWatcher* watcher = nullptr);
// The same with games played by `runner` (on other machines, say).
int RunTournamentCommand(const TournamentCommandLine& command, const TournamentRunner& runner,
                         std::ostream& out, std::ostream& err);

}  // namespace curling::server
