// The fast policy that plays out the rest of an end in a rollout, for both
// sides: hit the opponent's shot stone, guard or add to one's own, draw or
// guard into an empty house, by simple rules with some randomness; the last
// stone of the end is chosen among a few deliveries by their outcome without
// error, judged by the chance to win.
#pragma once

#include <cassert>
#include <vector>

#include "curling_simulator/records.h"
#include "search/strong/game_situation.h"
#include "search/strong/noise_stream.h"

namespace curling::strong {

// Deliveries the policy uses often, built once per search: draws around the
// button and to the guard spots, both curls.
class ShotBook {
 public:
  ShotBook();  // calls the library's inverse shots

  // Index by curl (0, 1).
  const ShotVector& Button(int curl) const { return button_[Curl(curl)]; }
  const ShotVector& CentreGuard(int curl) const { return centre_guard_[Curl(curl)]; }
  const ShotVector& CornerGuard(int side, int curl) const {
    assert(side == 0 || side == 1);
    return corner_guards_[side][Curl(curl)];
  }
  // A draw into the four-foot (`which` in 0..kFourFootDraws-1).
  static constexpr int kFourFootDraws = 5;
  const ShotVector& FourFoot(int which, int curl) const {
    assert(which >= 0 && which < kFourFootDraws);
    return four_foot_[which][Curl(curl)];
  }
  const ShotVector& ThrowAway() const { return throw_away_; }

 private:
  static int Curl(int curl) {
    assert(curl == 0 || curl == 1);
    return curl;
  }

  ShotVector button_[2];
  ShotVector centre_guard_[2];
  ShotVector corner_guards_[2][2];
  ShotVector four_foot_[kFourFootDraws][2];
  ShotVector throw_away_;
};

// The delivery the policy plays for the side to throw in `state` (ShotNum 0
// to 15). `situation` is that side's. Random choices come from `noise`.
ShotVector PolicyShot(const GameState& state, const GameSituation& situation, const ShotBook& book,
                      NoiseStream& noise);

}  // namespace curling::strong
