// The move decision run on GO. Reads the shared game state, changes nothing
// in it, and writes exactly one "BESTSHOT %f %f %d" text; at shots 14 and 15
// the search's "ShotNum:%d" and, when the search chose a shot, "MeanScore:%f"
// come before it.
#pragma once

namespace curling {

void DecideShot();

}  // namespace curling
