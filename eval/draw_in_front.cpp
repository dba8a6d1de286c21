#include "eval/draw_in_front.h"

#include <cmath>

#include "game/rink.h"
#include "game/simulator_binding.h"

namespace curling {

void CreateDrawInFront(int curl, ShotVector* out, float x, float y, float offset) {
  const float dx = x - kDeliveryX;
  const float dy = y - kDeliveryY;
  const float xx = dx * dx;
  const float yy = dy * dy;
  const float sum = xx + yy;
  const float r = static_cast<float>(std::sqrt(static_cast<double>(sum)));
  AimPoint aim{x, y, static_cast<uint8_t>(curl != 0 ? 1 : 0), {0, 0, 0}};
  // A target at the delivery point has no direction to set back along: the
  // draw then goes to the target itself.
  if (r > 0.0f) {
    const float unit_x = dx / r;
    const float unit_y = dy / r;
    const float back_x = unit_x * offset;
    const float back_y = unit_y * offset;
    aim.x = x - back_x;
    aim.y = y - back_y;
  }
  CreateShot(aim, out);
}

}  // namespace curling
