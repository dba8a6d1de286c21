#include "server/game/end_scoring.h"

#include <cassert>
#include <cstdlib>

#include "eval/scoring.h"

namespace curling::server {

EndScore ScoreEnd(const GameState& state) {
  const int for_side_0 = ScorePosition(state, 0);
  assert(for_side_0 >= -8 && for_side_0 <= 8);
  EndScore score;
  if (for_side_0 == 0) return score;  // blank
  score.side = for_side_0 > 0 ? 0 : 1;
  score.points = std::abs(for_side_0);
  return score;
}

int NextFirstSeat(int first_seat, const EndScore& score) {
  assert(first_seat == 0 || first_seat == 1);
  assert(score.side >= -1 && score.side <= 1);
  if (score.side < 0 || score.points == 0) return first_seat;
  // Side 0 of the end is the seat that threw first.
  const int scoring_seat = score.side == 0 ? first_seat : 1 - first_seat;
  return scoring_seat;
}

}  // namespace curling::server
