// The messages between the ranks of a tournament spread over MPI: byte
// strings with a tag, sent point to point on MPI_COMM_WORLD. Only the thread
// that initialised MPI uses a channel.
//
// The conversation: rank 0 (the coordinator) sends each player the plan
// (kPlan) or word that there is no tournament (kNoTournament). A player asks
// for a game whenever it has room for one (kRequest) and is answered with a
// game's index (kGame) or kNoGame; it sends each finished game back
// (kFinished, server/mpi/remote_game.h), and kQuit when it was interrupted
// or cannot play on. When the tournament is over the coordinator sends every
// player kStop; a player ends the games it still plays (they end as
// interrupted and are sent too), waits for the answers to its requests, and
// says kDone. Messages from one rank arrive in the order they were sent.
// When the plan says "live" (rank 0 serves a live view), a player also sends
// each line of each game's record as it is written (kLine: the game's index,
// a line end, the line's JSON text), before the game itself.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace curling::server {

enum MessageTag : int {
  kPlan = 1,
  kNoTournament,
  kRequest,
  kGame,
  kNoGame,
  kFinished,
  kQuit,
  kStop,
  kDone,
  kLine,
};

struct Message {
  int source = 0;
  int tag = 0;
  std::string bytes;
};

class MpiChannel {
 public:
  MpiChannel();  // after MPI_Init
  int rank() const { return rank_; }
  int size() const { return size_; }

  void Send(int rank, MessageTag tag, const std::string& bytes = {});

  // The next message from `source` (any rank when negative), waiting up to
  // `wait` for one. MPI's own blocking receive spins on a core; this sleeps
  // between probes instead.
  std::optional<Message> Receive(std::chrono::milliseconds wait, int source = -1);

  uint64_t bytes_sent() const { return bytes_sent_; }
  uint64_t bytes_received() const { return bytes_received_; }

 private:
  int rank_ = 0;
  int size_ = 1;
  uint64_t bytes_sent_ = 0;
  uint64_t bytes_received_ = 0;
};

}  // namespace curling::server
