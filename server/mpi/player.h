// A rank other than 0 in a tournament spread over MPI ranks: it receives the
// plan, asks rank 0 for games while it has room for `concurrency` of them,
// plays each in a scratch folder of its own (no shared file system needed)
// and sends the game back with its files (server/mpi/remote_game.h). It
// writes nothing else anywhere.
#pragma once

#include <ostream>

#include "server/game/game.h"
#include "server/mpi/mpi_channel.h"

namespace curling::server {

// Plays until rank 0 says stop. Returns 0, or 2 when the plan could not be
// read or the scratch folder not made (rank 0 is told).
int RunPlayer(MpiChannel& channel, const ShotPlayer& player, std::ostream& err);

}  // namespace curling::server
