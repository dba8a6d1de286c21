// A stand-in for the physics library in the server's tests: the delivered
// stone comes to rest at the point (vx, vy) of its delivery, moved across by
// a small offset drawn from the random stream (so seeds matter), or leaves
// play when that point is off the sheet. A short straight trajectory is
// recorded for it.
#pragma once

#include <cmath>

#include "curling_simulator/simulator.h"

namespace curling::server::testing {

inline sim::ShotOutcome FakePlayShot(const GameState& state, const ShotVector& shot, float error,
                                     sim::RandomStream& stream, const sim::Rules&) {
  sim::ShotOutcome out;
  out.final_state = state;
  out.played = shot;
  const uint64_t draw = (stream.seed * 6364136223846793005ull +
                         stream.counter * 1442695040888963407ull + stream.stream) >>
                        40;
  ++stream.counter;
  const float offset = error * (static_cast<float>(draw % 1000) / 1000.0f - 0.5f);
  const float x = shot.vx + offset;
  const float y = shot.vy;
  const int stone = state.ShotNum;
  if (stone >= 0 && stone < 16) {
    const bool on_sheet = x > 0.145f && x < 4.605f && y > 2.905f && y < 41.28f;
    out.final_state.Stones[stone] = on_sheet ? StonePosition{x, y} : StonePosition{0.0f, 0.0f};
    out.trajectories.push_back({stone, {{0.0f, 2.375f, 41.28f}, {10.0f, x, y}}});
    out.events.push_back({sim::EventKind::kStopped, 10.0f, stone, -1, x, y});
  }
  out.final_state.ShotNum = state.ShotNum + 1;
  return out;
}

}  // namespace curling::server::testing
