// Rank 0 of a tournament spread over MPI ranks: it keeps the books and the
// output folder (server/tournament/tournament_books.h), hands the next game to
// any player that asks, stores every game a player sends back, and tells every
// player to stop once the tournament is over (all games played, the test
// decided, a fault, an interruption). The players only play
// (server/mpi/player.h).
#pragma once

#include <ostream>
#include <vector>

#include "server/mpi/mpi_channel.h"
#include "server/tournament/tournament_books.h"

namespace curling::server {

struct CoordinatorTraffic {
  int games_received = 0;
  uint64_t bytes_received = 0;  // every message from the players
  uint64_t bytes_sent = 0;      // every message to them
};

// Plays `plan` on ranks 1 .. channel.size() - 1; `listener` (may be null) is
// told of every game booked; `watcher` (may be null) of the games of every
// rank as they are played, and of the books.
TournamentOutcome RunCoordinator(const TournamentPlan& plan, std::ostream& out,
                                 const std::vector<FinishedGame>& finished, MpiChannel& channel,
                                 CoordinatorTraffic& traffic,
                                 BookedGameListener* listener = nullptr,
                                 TournamentWatcher* watcher = nullptr);

// No tournament will be played (bad options, say): the players leave.
void DismissPlayers(MpiChannel& channel);

}  // namespace curling::server
