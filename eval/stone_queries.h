// Queries over the thrown stones (0 to ShotNum - 1) of the shared game state.
#pragma once

#include "sim/records.h"

namespace curling {

int IsInHouse(float x, float y);
int HasStoneNear(int side, float x, float y, float radius);
int IsGuarded(float x, float y);
int IsGuarding(int side, float x, float y);
// Side of the k-th nearest stone in play to the tee, or -1; writes its
// position (or (0, 0)) to `position` in every case.
int NearestStone(int k, StonePosition* position);

}  // namespace curling
