// Queries over the thrown stones (0 to ShotNum - 1) of a game state. Each
// query exists twice: over a given state (pure, for tests and callers with a
// state of their own) and, under the name the decision uses, over the shared
// g_game_state. Only the 16 stones that exist are ever read, whatever ShotNum
// holds; results are 0 or 1, a side, or -1 for none.
#pragma once

#include "curling_simulator/records.h"

namespace curling {

// 1 when (x, y) is strictly nearer the tee than ScoringLimit.
int IsInHouse(float x, float y);

// 1 when a thrown stone of `side` lies strictly within `radius` of (x, y).
// A side other than 0 or 1 matches no stone.
int HasStoneNear(const GameState& state, int side, float x, float y, float radius);
int HasStoneNear(int side, float x, float y, float radius);

// 1 when a thrown stone of either side lies in the delivery corridor of
// (x, y), more than a stone diameter and less than the corridor depth in
// front of it.
int IsGuarded(const GameState& state, float x, float y);
int IsGuarded(float x, float y);

// 1 when (x, y) lies in the delivery corridor of a thrown stone of `side`,
// more than a stone diameter and less than the corridor depth in front of it.
int IsGuarding(const GameState& state, int side, float x, float y);
int IsGuarding(int side, float x, float y);

// Side of the k-th nearest stone in play to the tee (k = 0 the nearest), or
// -1 when fewer than k + 1 thrown stones are in play or k is outside 0..15.
// A stone with x = 0 or y = 0 is out of play here. Writes the stone's
// position, or (0, 0), to `position` in every case.
int NearestStone(const GameState& state, int k, StonePosition* position);
int NearestStone(int k, StonePosition* position);

}  // namespace curling
