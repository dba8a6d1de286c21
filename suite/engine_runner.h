// Asks an engine for its delivery in every position of a suite, over the
// protocol, through the match server's engine session: per position
// NEWGAME (and ISREADY), POSITION, SETSTATE, SCORE, TIME, GO. A fault
// (crash, timeout, bad reply) is that position's result; the engine is then
// started afresh for the next one.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "server/game/game_types.h"
#include "suite/suite.h"

namespace curling::suite {

struct EngineRunSettings {
  server::EngineCommand engine;
  double seconds = 30.0;        // sent by TIME, and the most a GO may take
  double ready_timeout = 10.0;  // for READYOK and for reading each command
};

struct EngineAnswer {
  std::optional<ShotVector> shot;  // none after a fault
  std::string fault_kind;          // "" or the fault's kind ("crash", "time", ...)
  std::string fault;               // why
  double thinking_seconds = 0.0;
};

// One answer per position, in the suite's order.
std::vector<EngineAnswer> AskEngine(const Suite& suite, const EngineRunSettings& settings,
                                    bool progress);

// The commands sent before GO for `position`, in order (for tests).
std::vector<std::string> PositionCommands(const SuitePosition& position, double seconds);

}  // namespace curling::suite
