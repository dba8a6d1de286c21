// Plays a tournament (server/tournament_plan.h) on this machine: games handed
// out by the ledger (server/tournament_ledger.h) to `concurrency` threads,
// each game between two engine processes. Each game leaves its own folder
// (game-0001/ ...: game.jsonl, replay.html, engine logs); the tournament
// leaves summary.json, summary.txt and index.html beside them, all rewritten
// after every game so that they are current while it runs.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "server/game.h"
#include "server/stats/standings.h"
#include "server/tournament_ledger.h"
#include "server/tournament_plan.h"
#include "server/tournament_schedule.h"

namespace curling::server {

struct TournamentOutcome {
  stats::Standings standings;
  TournamentStatus status = TournamentStatus::kRunning;
  std::string fault;  // the fault that stopped the tournament, if one did
  std::string error;  // the output could not be written
  bool interrupted() const { return status == TournamentStatus::kInterrupted; }
  // The two-engine summary (the only pairing's).
  const stats::TournamentSummary& summary() const { return standings.pairings.front().summary; }
};

// Plays the tournament, writing a line per finished game and the progress
// line every plan.report_every games to `out`. `finished` are games already
// played (a resumed run): they are booked first and not played again.
TournamentOutcome RunTournament(const TournamentPlan& plan, const ShotPlayer& player,
                                std::ostream& out, const std::vector<FinishedGame>& finished = {});

}  // namespace curling::server
