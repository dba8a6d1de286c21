// Someone watching a tournament while it runs (the live view): told of every
// line of every game's record as it is written and of the standings as games
// are booked. Kept an interface so that the runners know nothing of how the
// news is passed on. Every call must return at once: the games never wait.
#pragma once

#include <string>

#include "server/stats/standings.h"
#include "server/tournament/tournament_index.h"
#include "server/tournament/tournament_plan.h"

namespace curling::server {

class TournamentWatcher {
 public:
  virtual ~TournamentWatcher() = default;
  // The tournament's plan, before any game is booked or played.
  virtual void OnTournamentStart(const TournamentPlan& plan) = 0;
  // A line of game `index`'s record (its JSON text), from the game's thread.
  virtual void OnGameLine(int index, const std::string& text) = 0;
  // A game booked (`replay`: its replay page relative to the plan's folder,
  // empty when there is none), with the standings that count it; under the
  // books' lock, in booking order.
  virtual void OnGameBooked(const GameListing& game, const std::string& replay,
                            const stats::Standings& standings) = 0;
  // The standings as they stand (at the start, and at the end).
  virtual void OnStandings(const stats::Standings& standings) = 0;
};

}  // namespace curling::server
