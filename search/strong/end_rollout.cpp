#include "search/strong/end_rollout.h"

#include <cassert>

#include "game/rink.h"
#include "game/simulator_binding.h"

namespace curling::strong {

double PlayOutEnd(const RolloutSetup& setup, const ShotVector& shot, uint64_t key) {
  assert(setup.start.ShotNum >= 0 && setup.start.ShotNum < kStoneCount);
  const int side = SideToThrow(setup.start.ShotNum);
  const GameSituation other{-setup.situation.lead, setup.situation.ends_left};
  NoiseStream noise(key);
  GameState state = setup.start;
  Simulation(&state, setup.error.Apply(shot, noise), 0.0f, nullptr, -1);
  assert(state.ShotNum == setup.start.ShotNum + 1);
  // Each delivery advances ShotNum by one, so at most 15 more end the end.
  while (state.ShotNum >= 0 && state.ShotNum < kStoneCount) {
    const int shot_num = state.ShotNum;
    const bool own_turn = SideToThrow(shot_num) == side;
    const ShotVector next =
        PolicyShot(state, own_turn ? setup.situation : other, setup.book, noise);
    Simulation(&state, setup.error.Apply(next, noise), 0.0f, nullptr, -1);
    assert(state.ShotNum == shot_num + 1);
  }
  return EndValue(setup.situation, side, state);
}

}  // namespace curling::strong
