// Positions and searches for the strong search's tests, against the real
// physics library (CURLING_SIMULATOR_PATH, defined by the build).
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "game/simulator_binding.h"
#include "search/strong/strong_search.h"

namespace curling::strong {

inline void LoadRealLibrary() {
  std::string reason;
  ASSERT_TRUE(LoadSimulator(CURLING_SIMULATOR_PATH, reason)) << reason;
  // One simulation on this thread before any search starts threads: the
  // thread sanitizer of this toolchain can mis-size the library's
  // thread-local block when a thread first touches it after other threads
  // were started, and the tests simulate on this thread after searches.
  GameState state{};
  Simulation(&state, ShotVector{}, 0.0f, nullptr, -1);
}

struct Stone {
  int index;  // thrown as this shot: side index % 2, side 1 holds the hammer
  float x;
  float y;
};

inline GameState Position(int shot, int end, int last_end, std::initializer_list<Stone> stones) {
  GameState state{};
  state.ShotNum = shot;
  state.CurEnd = end;
  state.LastEnd = last_end;
  for (const Stone& s : stones)
    state.Stones[s.index] = {s.x, s.y};
  return state;
}

inline SearchReport Search(const GameState& state, GameSituation situation, int64_t rollouts,
                           int threads = 1, uint64_t seed = 1) {
  SearchLimits limits;
  limits.threads = threads;
  limits.rollouts = rollouts;
  limits.seed = seed;
  return SearchStrongShot(state, situation, limits);
}

// `state` after `shot` is played without error.
inline GameState Played(GameState state, const ShotVector& shot) {
  Simulation(&state, shot, 0.0f, nullptr, -1);
  return state;
}

}  // namespace curling::strong
