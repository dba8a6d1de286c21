// Plays a tournament (server/tournament/tournament_plan.h) on this machine:
// games handed out by the books (server/tournament/tournament_books.h) to
// `concurrency` threads, each game between two engine processes. Each game
// leaves its own folder (game-0001/ ...: game.jsonl, replay.html, engine
// logs); the tournament leaves summary.json, summary.txt and index.html beside
// them, all rewritten after every game so that they are current while it runs.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "server/game/game.h"
#include "server/tournament/tournament_books.h"
#include "server/tournament/tournament_ledger.h"
#include "server/tournament/tournament_plan.h"
#include "server/tournament/tournament_schedule.h"

namespace curling::server {

// Plays the tournament, writing a line per finished game and the progress
// line every plan.report_every games to `out`. `finished` are games already
// played (a resumed run): they are booked first and not played again.
// `listener` (may be null) is told of every game booked; `watcher` (may be
// null) of every record line and booking as they happen.
TournamentOutcome RunTournament(const TournamentPlan& plan, const ShotPlayer& player,
                                std::ostream& out, const std::vector<FinishedGame>& finished = {},
                                BookedGameListener* listener = nullptr,
                                TournamentWatcher* watcher = nullptr);

}  // namespace curling::server
