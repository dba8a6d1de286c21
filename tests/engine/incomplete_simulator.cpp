// A library under the physics library's file name that lacks CreateHitShot:
// the engine must refuse it rather than call through a missing export.
#include "curling_simulator/records.h"

#define EXPORT extern "C" __attribute__((visibility("default")))

EXPORT int Simulation(GameState* state, ShotVector, float, void*, int) {
  state->ShotNum += 1;
  return 1;
}

EXPORT int CreateShot(AimPoint aim, ShotVector* out) {
  *out = ShotVector{aim.x, aim.y, aim.curl, {0, 0, 0}};
  return 1;
}
