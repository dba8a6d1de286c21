// A stand-in for libCurlingSimulator.so with the same exports and contract
// shape, and almost no cost: a draw comes to rest at its "velocity" read as a
// point, a delivery off the sheet leaves play. Non-finite or unreachable aims
// give (0, 0) and 0, as the real library does.
#include <cmath>

#include "curling_simulator/records.h"

#define STUB_API extern "C" __attribute__((visibility("default")))

namespace {

bool OnSheet(float x, float y) {
  return std::isfinite(x) && std::isfinite(y) && x > 0.145f && x < 4.605f && y > 2.905f &&
         y <= 41.28f;
}

int Aim(AimPoint aim, float y_offset, ShotVector* out) {
  *out = ShotVector{0.0f, 0.0f, static_cast<uint8_t>(aim.curl != 0), {0, 0, 0}};
  if (!OnSheet(aim.x, aim.y)) return 0;
  out->vx = aim.x;
  out->vy = aim.y + y_offset;
  return 1;
}

}  // namespace

STUB_API int Simulation(GameState* state, ShotVector shot, float, void*, int) {
  if (state == nullptr) return 0;
  const uint32_t shot_num = static_cast<uint32_t>(state->ShotNum);
  if (shot_num < 16) {
    const bool lands = OnSheet(shot.vx, shot.vy);
    state->Stones[shot_num] = lands ? StonePosition{shot.vx, shot.vy} : StonePosition{0, 0};
  }
  state->ShotNum = static_cast<int32_t>(shot_num + 1u);
  return 1;
}

STUB_API int CreateShot(AimPoint aim, ShotVector* out) {
  return Aim(aim, 0.0f, out);
}

STUB_API int CreateHitShot(AimPoint aim, float power, ShotVector* out) {
  return Aim(aim, std::isfinite(power) && power > 0 ? -0.01f : 0.0f, out);
}
