// The value of a draw to every point of the house, for each curl: draws to a
// grid of rest points, each played on the same evaluation samples.
#pragma once

#include <vector>

#include "suite/end_result.h"
#include "suite/sampler.h"

namespace curling::suite {

struct HeatCell {
  float x = 0.0f;
  float y = 0.0f;
  int curl = 0;
  ResultCounts counts;
};

struct HeatMap {
  float step = 0.0f;  // metres between cell centres
  std::vector<HeatCell> cells;
};

// Cells whose centre lies within the house (touching it), both curls.
HeatMap DrawHeatMap(const GameState& state, const Sampler& sampler, float step, int samples);

// The unobstructed path of a delivery (no error, no other stone), points
// every few centimetres from the hog line on, for drawing.
std::vector<StonePosition> OpenPath(const ShotVector& shot);

}  // namespace curling::suite
