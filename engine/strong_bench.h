// The strong engine's bench: the bench positions searched with a fixed
// number of samples, so that the replies are a signature of the search (the
// same on any number of threads) and the samples and simulations per CPU
// second are its speed, comparable between builds on one machine.
#pragma once

#include "engine/engine_options.h"

namespace curling {

// Loads the library and the options' network, searches every bench position
// in order (a tied game, the first of ten ends) with `options` (samples
// set), and prints one line per position (samples, simulations, CPU time,
// reply), the replies' fingerprint ("replies" and 16 hex digits) and, last,
// "bench: N simulations, T cpu ms, R simulations per cpu second". Returns 0;
// 1 when the library cannot be loaded, 2 when the network cannot be read.
int RunStrongBench(const StrongOptions& options);

}  // namespace curling
