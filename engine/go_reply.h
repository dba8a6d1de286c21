// The answer to "GO": the move decision for the state, turned into the texts
// the server reads.
#pragma once

#include "curling_simulator/records.h"
#include "engine/reply.h"
#include "search/decision.h"

namespace curling {

// Decides for `state` and hands the texts to `write`, in order:
// "ShotNum:%d" as soon as a search has built its candidate list (before it
// evaluates), "MeanScore:%f" when the search chose, and always one
// "BESTSHOT %f %f %d". Returns the decision.
Decision AnswerGo(const GameState& state, const ReplyWriter& write);

// Hands "BESTSHOT %f %f %d" to `write`: x speed, y speed, curl flag 0 or 1.
void WriteBestShot(const ReplyWriter& write, const ShotVector& shot);

}  // namespace curling
