// The command handler: one protocol line in, its effect on the shared game
// state and its reply out.
#pragma once

namespace curling {

// Handles one zero-terminated command line; the line is cut at its first
// line feed or carriage return (in place). Commands, tried in this order and
// matched case-insensitively (ASCII) against the whole first word:
//   NEWGAME                  zero the whole game state
//   ISREADY                  reply "READYOK"
//   POSITION x0 y0 ... x15 y15   store the sixteen stone coordinates
//   SETSTATE shot end last side  store ShotNum, CurEnd, LastEnd, NextSide
//   GO                       run the move decision (it writes the replies)
// Anything else is ignored. Returns 0 when a POSITION or SETSTATE argument is
// missing (the values stored before it are kept), else 1.
int HandleCommand(char* line);

}  // namespace curling
