#include "search/strong/stone_layout.h"

#include <algorithm>
#include <cassert>

#include "game/rink.h"

namespace curling::strong {

StoneLayout::StoneLayout(const GameState& state) {
  const int thrown = ThrownStones(state);
  for (int i = 0; i < thrown; ++i) {
    const StonePosition& s = state.Stones[i];
    if (s.x == 0.0f && s.y == 0.0f) continue;
    const float dx = s.x - kTeeX;
    const float dy = s.y - kTeeY;
    assert(count_ < kStoneCount);
    stones_[static_cast<size_t>(count_++)] = PlacedStone{i, i % 2, s.x, s.y, dx * dx + dy * dy};
  }
  std::sort(stones_.begin(), stones_.begin() + count_,
            [](const PlacedStone& a, const PlacedStone& b) {
              return a.tee_distance2 < b.tee_distance2 ||
                     (a.tee_distance2 == b.tee_distance2 && a.index < b.index);
            });
  constexpr float kHouse2 = kScoringLimit * kScoringLimit;
  while (house_count_ < count_ &&
         stones_[static_cast<size_t>(house_count_)].tee_distance2 < kHouse2) {
    ++house_count_;
  }
}

int StoneLayout::Counting(int side) const {
  int points = 0;
  while (points < house_count_ && stones_[static_cast<size_t>(points)].side == side)
    ++points;
  return points;
}

const PlacedStone* StoneLayout::NearestInHouse(int side) const {
  for (int i = 0; i < house_count_; ++i) {
    if (stones_[static_cast<size_t>(i)].side == side) return &stones_[static_cast<size_t>(i)];
  }
  return nullptr;
}

bool StoneLayout::IsOpen(float x, float y, float radius) const {
  assert(radius >= 0.0f);
  for (int i = 0; i < count_; ++i) {
    const float dx = stones_[static_cast<size_t>(i)].x - x;
    const float dy = stones_[static_cast<size_t>(i)].y - y;
    if (dx * dx + dy * dy < radius * radius) return false;
  }
  return true;
}

}  // namespace curling::strong
