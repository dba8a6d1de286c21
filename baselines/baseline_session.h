// The protocol side of a baseline engine: the commands every engine of ours
// reads (protocol::Session: NEWGAME, ISREADY -> READYOK, POSITION, SETSTATE),
// read from standard input as curling-engine reads it, and GO answered with
// one "BESTSHOT %f %f %d" (no line ends).
#pragma once

#include <functional>

#include "curling_simulator/records.h"
#include "protocol/reply.h"
#include "protocol/session.h"

namespace curling::baselines {

// Chooses the delivery for the stone about to be thrown (state.ShotNum).
using ShotChooser = std::function<ShotVector(const GameState& state)>;

// A conversation whose GO replies with the chooser's delivery.
protocol::Session MakeBaselineSession(ShotChooser chooser, protocol::ReplyWriter write);

// Serves the protocol on standard input and output until the input ends,
// replies dropped once the server stops reading them. Returns 0.
int RunBaseline(ShotChooser chooser);

}  // namespace curling::baselines
