// The thrown stones in play of a position, nearest the tee first: what the
// strong search's shot choices look at.
#pragma once

#include <array>
#include <cassert>

#include "curling_simulator/records.h"
#include "game/rink.h"

namespace curling::strong {

struct PlacedStone {
  int index;  // in GameState::Stones: thrown as that shot of the end
  int side;   // index % 2
  float x;
  float y;
  float tee_distance2;  // squared distance from the tee
};

class StoneLayout {
 public:
  explicit StoneLayout(const GameState& state);

  int count() const { return count_; }
  // Stones in the house (the scoring limit, stone radius included) come first.
  int house_count() const { return house_count_; }
  const PlacedStone& operator[](int i) const {
    assert(i >= 0 && i < count_);
    return stones_[static_cast<size_t>(i)];
  }

  // Side of the stone nearest the tee in the house, or -1 for an empty house.
  int ShotSide() const { return house_count_ > 0 ? stones_[0].side : -1; }
  // Points `side` would score if the end stopped here (0 when it does not lie shot).
  int Counting(int side) const;
  // The nearest stone of `side` in the house, or null.
  const PlacedStone* NearestInHouse(int side) const;
  // True when no stone in play lies within `radius` of (x, y).
  bool IsOpen(float x, float y, float radius) const;

 private:
  std::array<PlacedStone, kStoneCount> stones_{};
  int count_ = 0;
  int house_count_ = 0;
};

}  // namespace curling::strong
