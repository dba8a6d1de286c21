#include "suite/suite.h"

#include <cassert>

namespace curling::suite {

const char* ObjectiveName(Objective objective) {
  return objective == Objective::kPoints ? "points" : "win";
}

GameState StateOf(const SuitePosition& position) {
  assert(position.shot >= 0 && position.shot <= 15);
  GameState state{};
  state.ShotNum = position.shot;
  state.CurEnd = position.context.end;
  state.LastEnd = position.context.last_end;
  state.NextSide = static_cast<uint8_t>(position.shot % 2);
  for (int i = 0; i < 16; ++i)
    state.Stones[i] = position.stones[i];
  return state;
}

bool SameStones(const SuitePosition& a, const SuitePosition& b) {
  if (a.shot != b.shot) return false;
  for (int i = 0; i < 16; ++i) {
    if (a.stones[i].x != b.stones[i].x || a.stones[i].y != b.stones[i].y) return false;
  }
  return true;
}

}  // namespace curling::suite
