// A library under the physics library's file name with the three exports the
// engine needs and nothing else (no SetRandomSeed). Deterministic and cheap:
// the delivered stone comes to rest on the tee line at the delivery's x
// offset from the centre line.
#include "curling_simulator/records.h"

#define EXPORT extern "C" __attribute__((visibility("default")))

EXPORT int Simulation(GameState* state, ShotVector shot, float, void*, int) {
  if (state->ShotNum >= 0 && state->ShotNum < 16) {
    float x = 2.375f + shot.vx;
    x = x < 0.3f ? 0.3f : (x > 4.4f ? 4.4f : x);
    state->Stones[state->ShotNum] = StonePosition{x, 4.88f};
  }
  state->ShotNum += 1;
  return 1;
}

EXPORT int CreateShot(AimPoint aim, ShotVector* out) {
  *out = ShotVector{aim.x - 2.375f, -2.4f, aim.curl, {0, 0, 0}};
  return 1;
}

EXPORT int CreateHitShot(AimPoint aim, float, ShotVector* out) {
  *out = ShotVector{aim.x - 2.375f, -3.0f, aim.curl, {0, 0, 0}};
  return 1;
}
