// The deliveries around a chosen one that the delivery error could turn it
// into: a grid of offsets along the path (its rest point nearer or farther)
// and across it (the heading turned about the delivery point), in units of
// the error's standard deviation at the rest point. Searching them refines a
// candidate that the generator placed only roughly: under the error, the best
// delivery is often a little off the generator's aim.
#pragma once

#include <array>
#include <vector>

#include "search/strong/candidate_shots.h"
#include "search/strong/delivery_error_model.h"

namespace curling::strong {

// Offsets (standard deviations) on each axis of the grid; 0 is the delivery itself.
inline constexpr std::array<double, 5> kNearbyOffsets{0.0, -0.4, 0.4, -0.8, 0.8};

// `chosen` first, unchanged, then every other point of the grid (24), each
// with `chosen`'s kind and target. Empty with no error to scale by.
std::vector<CandidateShot> NearbyDeliveries(const CandidateShot& chosen,
                                            const DeliveryErrorModel& error);

}  // namespace curling::strong
