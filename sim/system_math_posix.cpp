#include <cmath>

#include "sim/system_math.h"

namespace curling::sim {

double Atan(double x) {
  return std::atan(x);
}

double Hypot(double x, double y) {
  return std::hypot(x, y);
}

}  // namespace curling::sim
