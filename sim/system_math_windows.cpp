#include <cmath>
#include <limits>

#include "sim/system_math.h"

namespace curling::sim {

// atan2l and sqrtl are mingw-w64's own (the x87's fpatan and fsqrt), linked
// into the library: they do not come from msvcrt.dll.
double Atan(double x) {
  return static_cast<double>(atan2l(static_cast<long double>(x), 1.0L));
}

// The squares cannot overflow in extended precision; an infinite side wins
// over a NaN, as in hypot.
double Hypot(double x, double y) {
  if (std::isinf(x) || std::isinf(y)) return std::numeric_limits<double>::infinity();
  const long double lx = x;
  const long double ly = y;
  return static_cast<double>(sqrtl(lx * lx + ly * ly));
}

}  // namespace curling::sim
