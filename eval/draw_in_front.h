// A draw that comes to rest `offset` metres in front of (x, y), along the
// straight line toward the delivery point.
#pragma once

#include "curling_simulator/records.h"

namespace curling {

void CreateDrawInFront(int curl, ShotVector* out, float x, float y, float offset);

}  // namespace curling
