// The deliveries a solver tries: draws to a grid of rest points over the
// house and the guard zone, hits on every stone in play at several weights
// and offsets, a throw-away; and finer deliveries around a promising one.
// Every delivery comes from the library's inverse shots, both curls.
#pragma once

#include <vector>

#include "curling_simulator/records.h"
#include "suite/suite.h"

namespace curling::suite {

struct GridSettings {
  float draw_step = 0.15f;     // metres between draw rest points
  float hit_offset = 0.0725f;  // metres between hit aims across a stone (R / 2)
  int hit_offsets = 3;         // aims each side of a stone's centre
  std::vector<float> hit_powers = {0.6f,  1.5f,  3.0f,   6.0f,   12.0f, 24.0f,
                                   48.0f, 96.0f, 192.0f, 384.0f, 768.0f};

  // The same area, `factor` times denser (factor 2: half the spacing).
  GridSettings Refined(int factor) const;
};

Delivery DrawTo(float x, float y, int curl);
Delivery HitAt(float x, float y, float power, int curl);
// Stops well short of the hog line: taken out of play, nothing else moves.
Delivery ThrowAway();

// The first, dense set for `state`. Deliveries the library cannot make
// (unreachable aims) are left out.
std::vector<Delivery> DenseSet(const GameState& state, const GridSettings& grid);

// Deliveries around `centre` on a grid `spacing` times the dense one's
// (draws: rest points; hits: aim across and power), `centre` excluded.
std::vector<Delivery> Around(const Delivery& centre, const GridSettings& grid, float spacing);

// Whether two deliveries are the same region at the dense grid's spacing:
// same kind and curl, targets within one step (hits: and weights near).
bool SameRegion(const Delivery& a, const Delivery& b, const GridSettings& grid);

}  // namespace curling::suite
