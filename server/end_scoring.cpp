#include "server/end_scoring.h"

namespace curling::server {
namespace {

float SquaredTeeDistance(const StonePosition& stone) {
  const float dx = stone.x - kTeeX;
  const float dy = stone.y - kTeeY;
  return dx * dx + dy * dy;
}

bool InPlay(const StonePosition& stone) {
  return !(stone.x == 0.0f && stone.y == 0.0f);
}

}  // namespace

EndScore ScoreEnd(const StonePosition (&stones)[16]) {
  const float limit = kScoringLimit * kScoringLimit;
  float nearest[2] = {limit, limit};
  for (int i = 0; i < 16; ++i) {
    if (!InPlay(stones[i])) continue;
    const float d2 = SquaredTeeDistance(stones[i]);
    // A NaN distance compares false and so never counts.
    if (d2 < nearest[i % 2]) nearest[i % 2] = d2;
  }
  EndScore score;
  if (nearest[0] == nearest[1]) return score;  // blank, including an empty house
  const int side = nearest[0] < nearest[1] ? 0 : 1;
  const float other = nearest[1 - side];
  for (int i = side; i < 16; i += 2) {
    if (InPlay(stones[i]) && SquaredTeeDistance(stones[i]) < other) ++score.points;
  }
  score.side = side;
  return score;
}

int NextFirstSeat(int first_seat, const EndScore& score) {
  if (score.side < 0 || score.points == 0) return first_seat;
  // Side 0 of the end is the seat that threw first.
  const int scoring_seat = score.side == 0 ? first_seat : 1 - first_seat;
  return scoring_seat;
}

}  // namespace curling::server
