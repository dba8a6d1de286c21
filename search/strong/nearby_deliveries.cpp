#include "search/strong/nearby_deliveries.h"

#include <cassert>

namespace curling::strong {

std::vector<CandidateShot> NearbyDeliveries(const CandidateShot& chosen,
                                            const DeliveryErrorModel& error) {
  std::vector<CandidateShot> nearby;
  if (!(error.error() > 0.0)) return nearby;
  nearby.reserve(kNearbyOffsets.size() * kNearbyOffsets.size());
  for (const double along : kNearbyOffsets) {
    for (const double across : kNearbyOffsets) {
      const bool centre = along == 0.0 && across == 0.0;
      const ShotVector shot = centre ? chosen.shot : error.Apply(chosen.shot, along, across);
      nearby.push_back(CandidateShot{shot, chosen.kind, chosen.target});
    }
  }
  assert(nearby.size() == kNearbyOffsets.size() * kNearbyOffsets.size());
  return nearby;
}

}  // namespace curling::strong
