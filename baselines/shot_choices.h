// How each baseline chooses its delivery. The physics comes in as the
// library's three exports, so the choices can be tried with any library.
#pragma once

#include <cstdint>
#include <random>

#include "curling_simulator/records.h"
#include "curling_simulator/simulator_exports.h"

namespace curling::baselines {

struct Physics {
  SimulationFunction simulation = nullptr;
  CreateShotFunction create_shot = nullptr;
  CreateHitShotFunction create_hit_shot = nullptr;
};

// The delivery to the tee, curl chosen at random.
ShotVector ChooseDrawToTee(const Physics& physics, std::mt19937_64& random);

// A draw to a point drawn uniformly from the house, with a random curl.
ShotVector ChooseRandomHouseDraw(const Physics& physics, std::mt19937_64& random);

inline constexpr float kHitPower = 12.0f;

// One ply of Monte Carlo over a fixed set: draws to the tee and to the top of
// the house, and hits on the two stones nearest the tee within the scoring
// limit, each with both curls; each is played `samples` times with random
// error (the match's) and rated by the mean curling count for the side to
// throw. The first of equal means wins.
ShotVector ChooseGreedy(const GameState& state, const Physics& physics, int samples);

}  // namespace curling::baselines
