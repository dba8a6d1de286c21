// What the strong search knows of the game beyond the stones: the score and
// the ends left. It judges a finished end by the chance to win the game that
// the end's result leaves (eval/win_probability.h).
#pragma once

#include "curling_simulator/records.h"
#include "eval/end_result.h"

namespace curling::strong {

struct GameSituation {
  int lead = 0;       // points of the side to throw minus its opponent's, before this end
  int ends_left = 0;  // ends still to play after the current one
};

// The situation of `state` for the side to throw, from the game score seen
// by it (own, opponent's): ends left are LastEnd - CurEnd (never below 0).
GameSituation SituationOf(const GameState& state, int own_points, int opponent_points);

// The value of a finished end (`end_position`, all sixteen stones thrown) for
// `side` (0 or 1; side 1 holds the hammer): its chance to win the game, plus
// a tie-break from 0 to 1e-3 that prefers scoring more in the end, so that
// choices of the same chance (a game already settled) still play for points.
double EndValue(const GameSituation& situation, int side, const GameState& end_position);

// The value EndValue gives, expected over a distribution of the end's result
// for `side` (results clipped to the distribution's classes).
double ExpectedEndValue(const GameSituation& situation, int side,
                        const EndResultDistribution& results);

// Only the chance to win, without the tie-break.
double WinChanceAfterEnd(const GameSituation& situation, int side, int side_points);

}  // namespace curling::strong
