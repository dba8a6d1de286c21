// The chance to win the game from a score and the ends left, read from the
// table that scripts/win_table.py builds from simulated play
// (eval/win_table_data.inc; method in docs/win-probability.md).
#pragma once

namespace curling {

// Chance to win for a side leading by `lead` points (negative: behind) with
// `ends_left` ends still to play, holding the last stone of the next end when
// `hammer`. With no ends left a tie goes to extra ends. Leads beyond the
// table are clamped to its edge (a win or loss all but settled); ends left
// beyond it are read as the table's largest. Pure; safe from any thread.
double WinProbability(int lead, int ends_left, bool hammer);

// The game situation after an end: the chance to win for the side that held
// the hammer in that end, which scored `hammer_points` in it (negative: the
// other side stole), leading by `lead_before` before it, with `ends_left`
// ends to play after it. The side that scores gives up the hammer; after a
// blank it keeps it.
double WinProbabilityAfterEnd(int lead_before, int hammer_points, int ends_left);

}  // namespace curling
