// The JSON form of a suite's header and positions (one line each), and the
// checks that make a read position one the library can play.
#pragma once

#include <stdexcept>

#include <nlohmann/json.hpp>

#include "suite/suite.h"

namespace curling::suite {

// A line that is not a valid header or position; the message says why.
struct BadSuiteLine : std::runtime_error {
  using std::runtime_error::runtime_error;
};

nlohmann::json HeaderJson(const SuiteHeader& header);
nlohmann::json PositionJson(const SuitePosition& position);
nlohmann::json DeliveryJson(const RatedDelivery& rated);

// Both throw BadSuiteLine.
SuiteHeader HeaderFromJson(const nlohmann::json& object);
SuitePosition PositionFromJson(const nlohmann::json& object);

// The shortest decimal that reads back as `value` in single precision, as a
// JSON number, so that files show 2.4 rather than 2.4000000953674316.
nlohmann::json FloatJson(float value);

}  // namespace curling::suite
