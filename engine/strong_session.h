// The strong engine's side of the protocol: the commands every engine of
// ours reads, plus SCORE and TIME, and a GO answered by the strong search
// with one "BESTSHOT %f %f %d" text. Search details go to standard error, one
// line per shot.
#pragma once

#include <optional>

#include "curling_simulator/records.h"
#include "engine/engine_options.h"
#include "eval/value_network.h"
#include "protocol/game_context.h"
#include "protocol/reply.h"
#include "protocol/session.h"
#include "search/strong/strong_search.h"

namespace curling {

class StrongSession {
 public:
  // `network` (kept by the caller) is the learned value of --search value,
  // null for the rollout search.
  StrongSession(const StrongOptions& options, const ValueNetwork* network,
                protocol::ReplyWriter write);
  // The session's GO answer refers to this object.
  StrongSession(const StrongSession&) = delete;
  StrongSession& operator=(const StrongSession&) = delete;

  // Handles one zero-terminated command line (cut at its first line end):
  //   SCORE own opponent   the game score so far, seen by this engine
  //   TIME own opponent    seconds of thinking budget left in this game
  //   NEWGAME              as every engine, and forget score and time
  // and everything else as protocol::Session does, GO answered by the
  // strong search.
  void HandleLine(char* line);

 private:
  void Go(const GameState& state, const protocol::ReplyWriter& write);

  StrongOptions options_;
  const ValueNetwork* network_;
  protocol::GameContext context_;
  protocol::Session session_;
};

// The search limits the options ask for, all but the deadline: the value
// search's (firm hits, refinement) with `network`, the rollout search's
// without. `network` is set exactly when the options name the value search.
strong::SearchLimits SearchLimitsOf(const StrongOptions& options, const ValueNetwork* network);

// Reads the network the options name (their --model, else the built-in one)
// into `network` when they ask for the value search; leaves it empty for the
// rollout search. A missing or damaged file: a message on standard error
// and false.
bool ReadValueNetworkOf(const StrongOptions& options, std::optional<ValueNetwork>& network);

// Reads the value network first when the search needs it (a missing or
// damaged file: a message on standard error and exit code 2, before anything
// is read), loads the library as the default engine does, then serves
// commands with a StrongSession until the end of input. Returns the exit code.
int RunStrongEngine(const StrongOptions& options);

}  // namespace curling
