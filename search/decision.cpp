// The decision tries four rules in order, the first that replies ends it:
//   1. opening guard (shots 0 and 1 while stone 0 is not in the house), by
//      rule, with no simulation;
//   2. the search (shots 14 and 15), unless it chose nothing;
//   3. stone scans: hits on an opponent stone in the house, guards in front
//      of an unguarded stone in the house, rated by RateCandidates;
//   4. fixed draws around the tee, rated the same way; this rule always
//      replies.
//
// A ShotNum outside 0..15 is played as if the stones beyond the sixteenth did
// not exist: the queries and walks see at most the 16 stones, the search is
// not run, and a negative ShotNum counts as an opening shot with no stone
// thrown.
#include "search/decision.h"

#include <cstdio>

#include "engine/game_state.h"
#include "engine/reply.h"
#include "engine/simulator_binding.h"
#include "eval/draw_in_front.h"
#include "eval/rink.h"
#include "eval/stone_queries.h"
#include "search/rate_candidates.h"
#include "search/search_best_shot.h"

namespace curling {
namespace {

constexpr float kGuardY = 7.0f;
constexpr float kCornerGuardTestY = 7.21f;
constexpr float kLeftCornerX = 1.46f;
constexpr float kRightCornerX = 3.29f;
constexpr float kTakenRadius = 0.5f;
constexpr float kHitPower = 12.0f;
constexpr int kLastShotWithoutLateDraws = 11;
constexpr float kBehindTeeY = 4.59f;
constexpr float kLateDrawShift = 0.29f;
constexpr float kGuardSetBack = 1.5f;
constexpr float kSearchRandomError = 0.145f;

struct FixedDrawPoint {
  float x;
  float y;
};
constexpr FixedDrawPoint kFixedDrawPoints[] = {
    {2.375f, 4.88f}, {2.375f, 3.965f}, {1.46f, 5.795f},
    {3.29f, 5.795f}, {1.46f, 4.88f},   {3.29f, 4.88f},
};

ShotVector Draw(float x, float y, int curl) {
  ShotVector shot{};
  CreateShot(AimPoint{x, y, static_cast<uint8_t>(curl), {0, 0, 0}}, &shot);
  return shot;
}

ShotVector Hit(float x, float y, int curl) {
  ShotVector shot{};
  CreateHitShot(AimPoint{x, y, static_cast<uint8_t>(curl), {0, 0, 0}}, kHitPower, &shot);
  return shot;
}

ShotVector DrawInFront(float x, float y, float set_back, int curl) {
  ShotVector shot{};
  CreateDrawInFront(curl, &shot, x, y, set_back);
  return shot;
}

void ReplyWith(const ShotVector& shot) {
  char text[1024];
  std::snprintf(text, sizeof text, "BESTSHOT %f %f %d", static_cast<double>(shot.vx),
                static_cast<double>(shot.vy), shot.curl != 0 ? 1 : 0);
  WriteReply(text);
}

void WriteMeanScore(float mean) {
  char text[1024];
  std::snprintf(text, sizeof text, "MeanScore:%f", static_cast<double>(mean));
  WriteReply(text);
}

// Rule 1. Tests the centre guard point, then the two corner test points, for
// an opponent stone; with at most one stone thrown one of them is free.
bool OpeningGuard() {
  const GameState& state = g_game_state;
  if (!(state.ShotNum < 2)) return false;
  if (IsInHouse(state.Stones[0].x, state.Stones[0].y) != 0) return false;
  const int opponent = OpponentOf(state.ShotNum);
  float aim_x = kLeftCornerX;
  if (HasStoneNear(opponent, kCentreLineX, kGuardY, kTakenRadius) == 0) {
    aim_x = kCentreLineX;
  } else if (HasStoneNear(opponent, kRightCornerX, kCornerGuardTestY, kTakenRadius) == 0) {
    aim_x = kRightCornerX;
  }
  ReplyWith(Draw(aim_x, kGuardY, 0));
  return true;
}

// Rule 2.
bool SearchLastStones() {
  const int shot_num = g_game_state.ShotNum;
  if (shot_num != 14 && shot_num != 15) return false;
  ShotVector best{};
  const float mean =
      shot_num == 14 ? SearchBestShot(g_game_state, best, 5.0f, 5, 1.83f, kSearchRandomError, 1)
                     : SearchBestShot(g_game_state, best, 30.0f, 15, 2.44f, kSearchRandomError, 1);
  if (mean == NoScore) return false;
  WriteMeanScore(mean);
  ReplyWith(best);
  return true;
}

// Rates the list; replies with the chosen candidate, or empties the list and
// reports that nothing was chosen.
bool RateAndReply(DecisionCandidates& list) {
  RateCandidates(list);
  const int chosen = ChooseCandidate(list);
  if (chosen < 0) {
    list.Clear();
    return false;
  }
  ReplyWith(list.shots[static_cast<std::size_t>(chosen)]);
  return true;
}

bool TryHitSet(const StonePosition& stone, DecisionCandidates& list) {
  list.Append(Hit(stone.x, stone.y, 0));
  list.Append(Hit(stone.x, stone.y, 1));
  if (g_game_state.ShotNum > kLastShotWithoutLateDraws && stone.y < kBehindTeeY) {
    const float target_y = stone.y + kLateDrawShift;
    list.Append(DrawInFront(stone.x, target_y, kLateDrawShift, 0));
    list.Append(DrawInFront(stone.x, target_y, kLateDrawShift, 1));
  }
  return RateAndReply(list);
}

bool TryGuardSet(const StonePosition& stone, DecisionCandidates& list) {
  list.Append(DrawInFront(stone.x, stone.y, kGuardSetBack, 0));
  list.Append(DrawInFront(stone.x, stone.y, kGuardSetBack, 1));
  return RateAndReply(list);
}

bool InHouse(const StonePosition& stone) {
  return IsInHouse(stone.x, stone.y) != 0;
}

// In the house, not guarded, and not guarding a stone of the side to throw.
bool WantsGuard(const StonePosition& stone, int own) {
  return InHouse(stone) && IsGuarded(stone.x, stone.y) == 0 &&
         IsGuarding(own, stone.x, stone.y) == 0;
}

enum class Walk { kHits, kGuards, kNearestAction };

// Rule 3: one walk over the stones in play, nearest the tee first.
bool WalkStones(Walk walk, DecisionCandidates& list) {
  const int own = SideToThrow(g_game_state.ShotNum);
  const int opponent = OpponentOf(g_game_state.ShotNum);
  const int thrown = ThrownStones(g_game_state);
  for (int k = 0; k < thrown; ++k) {
    StonePosition stone{};
    const int side = NearestStone(k, &stone);
    if (side < 0) continue;
    const bool hit = walk != Walk::kGuards && side == opponent && InHouse(stone);
    if (hit) {
      if (TryHitSet(stone, list)) return true;
      continue;
    }
    const bool guard = (walk == Walk::kGuards || (walk == Walk::kNearestAction && side == own)) &&
                       WantsGuard(stone, own);
    if (guard && TryGuardSet(stone, list)) return true;
  }
  return false;
}

bool StoneScans(DecisionCandidates& list) {
  if (g_game_state.ShotNum % 2 == 0) {
    return WalkStones(Walk::kHits, list) || WalkStones(Walk::kGuards, list);
  }
  return WalkStones(Walk::kNearestAction, list);
}

// Rule 4: draws to the fixed points free of an own stone; the first draw
// when none is chosen, a draw to the tee when every point is taken.
void FixedDraws(DecisionCandidates& list) {
  const int own = SideToThrow(g_game_state.ShotNum);
  for (const FixedDrawPoint& point : kFixedDrawPoints) {
    if (HasStoneNear(own, point.x, point.y, kTakenRadius) != 0) continue;
    list.Append(Draw(point.x, point.y, 0));
    list.Append(Draw(point.x, point.y, 1));
  }
  if (list.Size() == 0) {
    ReplyWith(Draw(kTeeX, kTeeY, 0));
    return;
  }
  RateCandidates(list);
  const int chosen = ChooseCandidate(list);
  ReplyWith(list.shots[chosen < 0 ? 0 : static_cast<std::size_t>(chosen)]);
}

}  // namespace

void DecideShot() {
  if (OpeningGuard()) return;
  if (SearchLastStones()) return;
  DecisionCandidates list;
  list.shots.reserve(12);
  list.means.reserve(12);
  if (StoneScans(list)) return;
  FixedDraws(list);
}

}  // namespace curling
