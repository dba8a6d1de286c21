#include "search/strong/shot_making.h"

#include "eval/draw_in_front.h"
#include "game/rink.h"
#include "game/simulator_binding.h"

namespace curling::strong {
namespace {

AimPoint Aim(float x, float y, int curl) {
  return AimPoint{x, y, static_cast<uint8_t>(curl != 0 ? 1 : 0), {0, 0, 0}};
}

}  // namespace

ShotVector DrawTo(float x, float y, int curl) {
  ShotVector shot{};
  CreateShot(Aim(x, y, curl), &shot);
  return shot;
}

ShotVector HitAt(float x, float y, float weight, int curl) {
  ShotVector shot{};
  CreateHitShot(Aim(x, y, curl), weight, &shot);
  return shot;
}

ShotVector ThrowAway() {
  // Wholly short of the hog line, so the library removes the stone.
  constexpr float kShortOfHogLineY = 12.5f;
  static_assert(kShortOfHogLineY - kStoneRadius > sim::kHogLineY);
  return DrawTo(kTeeX, kShortOfHogLineY, 0);
}

ShotVector DrawInFrontOf(float x, float y, float offset, int curl) {
  ShotVector shot{};
  CreateDrawInFront(curl != 0 ? 1 : 0, &shot, x, y, offset);
  return shot;
}

}  // namespace curling::strong
