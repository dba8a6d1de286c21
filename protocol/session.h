// The commands every engine of ours reads the same way, and the one game
// state of the conversation they change. Only the answer to GO differs
// between engines; it is given.
#pragma once

#include <functional>

#include "curling_simulator/records.h"
#include "protocol/reply.h"

namespace curling::protocol {

class Session {
 public:
  // Answers GO for `state` through `write`.
  using GoAnswer = std::function<void(const GameState& state, const ReplyWriter& write)>;

  Session(ReplyWriter write, GoAnswer go);

  // Handles one zero-terminated command line; the line is cut at its first
  // line feed or carriage return (in place). Commands, matched
  // case-insensitively (ASCII) against the whole first word:
  //   NEWGAME                      zero the whole game state
  //   ISREADY                      reply "READYOK"
  //   POSITION x0 y0 ... x15 y15   store the sixteen stone coordinates
  //   SETSTATE shot end last side  store ShotNum, CurEnd, LastEnd, NextSide
  //   GO                           the engine's answer
  // Anything else is ignored. Returns false when a POSITION or SETSTATE
  // argument is missing (the values stored before it are kept).
  bool Handle(char* line);

  const GameState& state() const { return state_; }

 private:
  ReplyWriter write_;
  GoAnswer go_;
  GameState state_{};
};

}  // namespace curling::protocol
