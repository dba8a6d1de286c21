// What curling-match and curling-match-mpi share as programs: the engine a
// seat plays without --engine, shots played through the physics library, and
// the options given on the command line.
#pragma once

#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "server/game/game.h"

namespace curling::server {

// curling-engine beside the running program.
std::string DefaultEngine();

// Plays a delivery with the physics library.
ShotPlayer LibraryShotPlayer();

// The names of the options given on the command line.
std::vector<std::string> GivenOptions(const CLI::App& app);

}  // namespace curling::server
