// The command handler: one protocol line in, its effect on the game state and
// its reply out. It owns the one game state of the conversation, which only
// NEWGAME, POSITION and SETSTATE change.
#pragma once

#include <utility>

#include "curling_simulator/records.h"
#include "engine/reply.h"

namespace curling {

class CommandHandler {
 public:
  explicit CommandHandler(ReplyWriter write) : write_(std::move(write)) {}

  // Handles one zero-terminated command line; the line is cut at its first
  // line feed or carriage return (in place). Commands, tried in this order
  // and matched case-insensitively (ASCII) against the whole first word:
  //   NEWGAME                      zero the whole game state
  //   ISREADY                      reply "READYOK"
  //   POSITION x0 y0 ... x15 y15   store the sixteen stone coordinates
  //   SETSTATE shot end last side  store ShotNum, CurEnd, LastEnd, NextSide
  //   GO                           reply with the move decision's texts
  // Anything else is ignored. Returns false when a POSITION or SETSTATE
  // argument is missing (the values stored before it are kept).
  bool Handle(char* line);

  const GameState& state() const { return state_; }

 private:
  ReplyWriter write_;
  GameState state_{};
};

}  // namespace curling
