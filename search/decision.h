// The move decision run on GO: writes at most two texts of the search and
// exactly one "BESTSHOT %f %f %d".
#pragma once

namespace curling {

void DecideShot();

}  // namespace curling
