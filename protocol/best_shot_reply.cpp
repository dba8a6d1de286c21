#include "protocol/best_shot_reply.h"

#include <cassert>
#include <cmath>
#include <cstdio>

namespace curling::protocol {
namespace {

double FiniteOrZero(float speed) {
  return std::isfinite(speed) ? static_cast<double>(speed) : 0.0;
}

}  // namespace

void WriteBestShot(const ReplyWriter& write, const ShotVector& shot) {
  // The largest float has 39 digits before the point: the text fits.
  char text[128];
  const int length = std::snprintf(text, sizeof text, "BESTSHOT %f %f %d", FiniteOrZero(shot.vx),
                                   FiniteOrZero(shot.vy), shot.curl != 0 ? 1 : 0);
  assert(length > 0 && static_cast<size_t>(length) < sizeof text);
  (void)length;
  write(text);
}

}  // namespace curling::protocol
