// The strong engine's side of the protocol: the commands of the default
// engine, plus SCORE and TIME, and a GO answered by the strong search with
// one "BESTSHOT %f %f %d" text. Search details go to standard error, one line
// per shot.
#pragma once

#include <optional>
#include <utility>

#include "engine/command_handler.h"
#include "engine/engine_options.h"
#include "engine/reply.h"

namespace curling {

class StrongSession {
 public:
  StrongSession(const StrongOptions& options, ReplyWriter write)
      : options_(options), write_(write), commands_(std::move(write)) {}

  // Handles one zero-terminated command line (cut at its first line end):
  //   SCORE own opponent   the game score so far, seen by this engine
  //   TIME own opponent    seconds of thinking budget left in this game
  //   GO                   search and reply
  //   NEWGAME              as the default engine, and forget score and time
  // and everything else as the default engine's command handler does.
  void HandleLine(char* line);

 private:
  void Go();

  StrongOptions options_;
  ReplyWriter write_;
  CommandHandler commands_;  // the default engine's commands, and the game state
  int own_points_ = 0;
  int opponent_points_ = 0;
  std::optional<double> own_time_left_;
};

// Loads the library as the default engine does, then serves commands with a
// StrongSession until the end of input. Returns the exit code.
int RunStrongEngine(const StrongOptions& options);

}  // namespace curling
