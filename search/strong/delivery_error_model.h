// The strong search's model of the random delivery error that the library
// applies inside Simulation (its own, in sim/delivery_error.h, is private to
// the library). The model is applied to a delivery before the library plays
// it without error of its own: so the search knows the delivery each
// simulated outcome came from, and its draws come from its own reproducible
// streams. As the library does, a draw along the path lengthens or shortens
// the free path to rest, and a draw across turns the heading about the
// delivery point; both have standard deviation `error` metres at the free
// path's rest point.
#pragma once

#include "curling_simulator/records.h"
#include "search/strong/noise_stream.h"

namespace curling::strong {

class DeliveryErrorModel {
 public:
  // `deceleration` is the sheet's (m/s^2): a free path from speed v runs
  // v^2 / (2 deceleration) metres.
  DeliveryErrorModel(double error, double deceleration);

  // Measures the deceleration through the library: the speed of a straight
  // draw to a point down the centre line and the distance to it.
  static double MeasureDeceleration();

  ShotVector Apply(const ShotVector& shot, NoiseStream& noise) const;
  // The same with the two normal draws given (for tests).
  ShotVector Apply(const ShotVector& shot, double along, double across) const;

  double error() const { return error_; }

 private:
  double error_;
  double deceleration_;
};

}  // namespace curling::strong
