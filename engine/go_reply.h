// The answer to "GO": the move decision for the state, turned into the texts
// the server reads.
#pragma once

#include "curling_simulator/records.h"
#include "protocol/reply.h"
#include "search/default/decision.h"

namespace curling {

// Decides for `state` and hands the texts to `write`, in order:
// "ShotNum:%d" as soon as a search has built its candidate list (before it
// evaluates), "MeanScore:%f" when the search chose, and always one
// "BESTSHOT %f %f %d" (protocol::WriteBestShot). Returns the decision.
Decision AnswerGo(const GameState& state, const protocol::ReplyWriter& write);

}  // namespace curling
