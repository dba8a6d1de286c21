#include "search/strong/delivery_error_model.h"

#include <cassert>
#include <cmath>

#include "game/rink.h"
#include "game/simulator_binding.h"

namespace curling::strong {

DeliveryErrorModel::DeliveryErrorModel(double error, double deceleration)
    : error_(error), deceleration_(deceleration) {
  assert(deceleration > 0.0);
}

double DeliveryErrorModel::MeasureDeceleration() {
  // A spinning stone curls, so its path is a little longer than the straight
  // line measured here: the estimate is low by far less than a percent, which
  // changes the modelled error by as little.
  const AimPoint aim{kTeeX, kTeeY, 0, {0, 0, 0}};
  ShotVector shot{};
  CreateShot(aim, &shot);
  const double speed2 =
      static_cast<double>(shot.vx) * shot.vx + static_cast<double>(shot.vy) * shot.vy;
  const double distance = static_cast<double>(kDeliveryY) - kTeeY;
  // A library that cannot solve the draw leaves the model defined all the same.
  return speed2 > 0.0 ? speed2 / (2.0 * distance) : 1.0;
}

ShotVector DeliveryErrorModel::Apply(const ShotVector& shot, NoiseStream& noise) const {
  const double along = noise.Normal();
  const double across = noise.Normal();
  return Apply(shot, along, across);
}

ShotVector DeliveryErrorModel::Apply(const ShotVector& shot, double along, double across) const {
  if (!(error_ > 0.0)) return shot;
  const double vx = shot.vx;
  const double vy = shot.vy;
  const double speed2 = vx * vx + vy * vy;
  if (!(speed2 > 0.0) || !std::isfinite(speed2)) return shot;
  const double run = speed2 / (2.0 * deceleration_);
  const double new_speed2 = speed2 + 2.0 * deceleration_ * error_ * along;
  const double speed = new_speed2 > 0.0 ? std::sqrt(new_speed2) : 0.0;
  const double heading = std::atan2(vy, vx) + error_ * across / run;
  ShotVector out = shot;
  out.vx = static_cast<float>(speed * std::cos(heading));
  out.vy = static_cast<float>(speed * std::sin(heading));
  return out;
}

}  // namespace curling::strong
