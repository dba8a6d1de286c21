// Queries over the thrown stones (0 to ShotNum - 1) of a game state. Only the
// 16 stones that exist are ever read, whatever ShotNum holds. Pure.
#pragma once

#include "curling_simulator/records.h"

namespace curling {

// Whether (x, y) is strictly nearer the tee than kScoringLimit.
bool IsInHouse(float x, float y);

// Whether a thrown stone of `side` lies strictly within `radius` of (x, y).
// A side other than 0 or 1 matches no stone.
bool HasStoneNear(const GameState& state, int side, float x, float y, float radius);

// Whether a thrown stone of either side lies in the delivery corridor of
// (x, y), more than a stone diameter and less than the corridor depth (3.0)
// in front of it.
bool IsGuarded(const GameState& state, float x, float y);

// Whether (x, y) lies in the delivery corridor of a thrown stone of `side`,
// more than a stone diameter and less than the corridor depth in front of it.
bool IsGuarding(const GameState& state, int side, float x, float y);

// Side of the k-th nearest stone in play to the tee (k = 0 the nearest), or
// -1 when fewer than k + 1 thrown stones are in play or k is outside 0..15.
// A stone with x = 0 or y = 0 is out of play here. Writes the stone's
// position, or (0, 0), to `position` in every case.
int NearestStone(const GameState& state, int k, StonePosition* position);

}  // namespace curling
