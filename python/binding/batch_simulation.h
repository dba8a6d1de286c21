// Many deliveries from one position, played in C++ on one or more threads.
// Delivery i of shot j draws its error from the stream (seed, j, i), so every
// result depends on its own indices only: not on the thread count or on which
// thread played it.
#pragma once

#include <cstdint>

#include "curling_simulator/records.h"
#include "curling_simulator/simulator.h"

namespace curling::python {

struct BatchRequest {
  GameState state{};
  const ShotVector* shots = nullptr;
  int64_t shot_count = 0;
  int64_t repeats = 0;  // deliveries per shot
  float error = 0.0f;
  uint64_t seed = 0;
  sim::Rules rules;
  int threads = 1;  // the calling thread plays too; fewer run if threads cannot start
};

// Writes the stones after delivery (j, i) to stones[(j * repeats + i) * 16 ...]
// and their curling count for the side that threw it (state.ShotNum % 2) to
// counts[j * repeats + i]. Rethrows the first error a worker met.
void RunBatch(const BatchRequest& request, StonePosition* stones, int32_t* counts);

}  // namespace curling::python
