// The decision tries four rules in order, the first that replies ends it:
//   1. opening guard (shots 0 and 1 while stone 0 is not in the house), by
//      rule, with no simulation;
//   2. the search (shots 14 and 15), unless it chose nothing;
//   3. stone scans: hits on an opponent stone in the house, guards in front
//      of an unguarded stone in the house, each set rated by Monte Carlo;
//   4. fixed draws around the tee, rated the same way; this rule always
//      replies.
//
// A ShotNum outside 0..15 is played as if the stones beyond the sixteenth did
// not exist: the queries and walks see at most the 16 stones, the search is
// not run, and a negative ShotNum counts as an opening shot with no stone
// thrown.
#include "search/default/decision.h"

#include <cassert>

#include "eval/draw_in_front.h"
#include "eval/scoring.h"
#include "eval/stone_queries.h"
#include "game/rink.h"
#include "game/simulator_binding.h"
#include "search/default/candidate_list.h"
#include "search/default/rating.h"

namespace curling {
namespace {

// The lines half a house radius off the tee that the corner guards and the
// fixed draws aim on: across the sheet (left, right) and along it (in front
// of the tee, toward the thrower, and behind it). Each is taken in the
// library's double precision and rounded to float once, which gives exactly
// the values the decision has always aimed at.
constexpr double kHalfHouse = sim::kHouseRadius / 2;
constexpr float kLeftOfTeeX = static_cast<float>(sim::kTeeX - kHalfHouse);
constexpr float kRightOfTeeX = static_cast<float>(sim::kTeeX + kHalfHouse);
constexpr float kFrontOfTeeY = static_cast<float>(sim::kTeeY + kHalfHouse);
constexpr float kBehindTeeY = static_cast<float>(sim::kTeeY - kHalfHouse);
static_assert(kLeftOfTeeX == 1.46f && kRightOfTeeX == 3.29f);
static_assert(kFrontOfTeeY == 5.795f && kBehindTeeY == 3.965f);

constexpr float kGuardY = 7.0f;
constexpr float kCornerGuardTestY = 7.21f;
constexpr float kTakenRadius = 0.5f;
constexpr float kHitPower = 12.0f;
constexpr int kLastShotWithoutLateDraws = 11;
// Late draws go onto stones more than a stone diameter behind the tee.
constexpr float kLateDrawLimitY = kTeeY - kStoneDiameter;
static_assert(kLateDrawLimitY == 4.59f);
constexpr float kLateDrawShift = kStoneDiameter;
constexpr float kGuardSetBack = 1.5f;
constexpr float kRatingTrials = 100.0f;

// The draw grid is a square around the tee: one house radius wide at shot
// 14, a third wider at shot 15.
constexpr float kShot14GridWidth = kHouseRadius;
constexpr float kShot15GridWidth = static_cast<float>(sim::kHouseRadius * 4 / 3);
static_assert(kShot14GridWidth == 1.83f && kShot15GridWidth == 2.44f);
constexpr SearchParameters kShot14Search{5.0f, 5, kShot14GridWidth, sim::kMatchRandomError, true};
constexpr SearchParameters kShot15Search{30.0f, 15, kShot15GridWidth, sim::kMatchRandomError, true};

struct FixedDrawPoint {
  float x;
  float y;
};
constexpr FixedDrawPoint kFixedDrawPoints[] = {
    {kTeeX, kTeeY},
    {kTeeX, kBehindTeeY},
    {kLeftOfTeeX, kFrontOfTeeY},
    {kRightOfTeeX, kFrontOfTeeY},
    {kLeftOfTeeX, kTeeY},
    {kRightOfTeeX, kTeeY},
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

Decision Play(const ShotVector& shot) {
  Decision decision;
  decision.shot = shot;
  return decision;
}

// Rule 1. Tests the centre guard point, then the two corner test points, for
// an opponent stone; with at most one stone thrown one of them is free.
std::optional<Decision> OpeningGuard(const GameState& state) {
  if (!(state.ShotNum < 2)) return std::nullopt;
  if (IsInHouse(state.Stones[0].x, state.Stones[0].y)) return std::nullopt;
  const int opponent = OpponentOf(state.ShotNum);
  float aim_x = kLeftOfTeeX;
  if (!HasStoneNear(state, opponent, kCentreLineX, kGuardY, kTakenRadius)) {
    aim_x = kCentreLineX;
  } else if (!HasStoneNear(state, opponent, kRightOfTeeX, kCornerGuardTestY, kTakenRadius)) {
    aim_x = kRightOfTeeX;
  }
  return Play(Draw(aim_x, kGuardY, 0));
}

// Rule 2. The search's candidate count is kept even when it chooses nothing.
std::optional<Decision> SearchLastStones(const GameState& state, const SearchCallbacks& callbacks,
                                         std::optional<int>& candidates) {
  const int shot_num = state.ShotNum;
  if (shot_num != 14 && shot_num != 15) return std::nullopt;
  SearchCallbacks counted = callbacks;
  counted.on_candidate_count = [&](int count) {
    candidates = count;
    if (callbacks.on_candidate_count) callbacks.on_candidate_count(count);
  };
  const std::optional<ScoredShot> best =
      SearchBestShot(state, shot_num == 14 ? kShot14Search : kShot15Search, counted);
  if (!best) return std::nullopt;
  Decision decision = Play(best->shot);
  decision.mean_score = best->mean;
  return decision;
}

// Rates the list; the chosen candidate, or nothing with the list emptied.
std::optional<Decision> RateAndChoose(const GameState& state, CandidateList& list) {
  RateCandidates(state, kRatingTrials, sim::kMatchRandomError, list);
  float mean;
  const int chosen = ChooseBestCandidate(list, mean);
  if (chosen < 0) {
    list.Clear();
    return std::nullopt;
  }
  assert(static_cast<std::size_t>(chosen) < list.Size());
  return Play(list.shots[static_cast<std::size_t>(chosen)]);
}

std::optional<Decision> TryHitSet(const GameState& state, const StonePosition& stone,
                                  CandidateList& list) {
  assert(list.Size() == 0);  // a set rated without a choice leaves the list empty
  list.Append(Hit(stone.x, stone.y, 0));
  list.Append(Hit(stone.x, stone.y, 1));
  if (state.ShotNum > kLastShotWithoutLateDraws && stone.y < kLateDrawLimitY) {
    const float target_y = stone.y + kLateDrawShift;
    list.Append(DrawInFront(stone.x, target_y, kLateDrawShift, 0));
    list.Append(DrawInFront(stone.x, target_y, kLateDrawShift, 1));
  }
  return RateAndChoose(state, list);
}

std::optional<Decision> TryGuardSet(const GameState& state, const StonePosition& stone,
                                    CandidateList& list) {
  assert(list.Size() == 0);
  list.Append(DrawInFront(stone.x, stone.y, kGuardSetBack, 0));
  list.Append(DrawInFront(stone.x, stone.y, kGuardSetBack, 1));
  return RateAndChoose(state, list);
}

bool InHouse(const StonePosition& stone) {
  return IsInHouse(stone.x, stone.y);
}

// In the house, not guarded, and not guarding a stone of the side to throw.
bool WantsGuard(const GameState& state, const StonePosition& stone, int own) {
  return InHouse(stone) && !IsGuarded(state, stone.x, stone.y) &&
         !IsGuarding(state, own, stone.x, stone.y);
}

enum class Walk { kHits, kGuards, kNearestAction };

// Rule 3: one walk over the stones in play, nearest the tee first.
std::optional<Decision> WalkStones(const GameState& state, Walk walk, CandidateList& list) {
  const int own = SideToThrow(state.ShotNum);
  const int opponent = OpponentOf(state.ShotNum);
  const int thrown = ThrownStones(state);
  for (int k = 0; k < thrown; ++k) {
    StonePosition stone{};
    const int side = NearestStone(state, k, &stone);
    if (side < 0) continue;
    const bool hit = walk != Walk::kGuards && side == opponent && InHouse(stone);
    if (hit) {
      if (auto decision = TryHitSet(state, stone, list)) return decision;
      continue;
    }
    const bool guard = (walk == Walk::kGuards || (walk == Walk::kNearestAction && side == own)) &&
                       WantsGuard(state, stone, own);
    if (!guard) continue;
    if (auto decision = TryGuardSet(state, stone, list)) return decision;
  }
  return std::nullopt;
}

std::optional<Decision> StoneScans(const GameState& state, CandidateList& list) {
  if (state.ShotNum % 2 != 0) return WalkStones(state, Walk::kNearestAction, list);
  if (auto decision = WalkStones(state, Walk::kHits, list)) return decision;
  return WalkStones(state, Walk::kGuards, list);
}

// Rule 4: draws to the fixed points free of an own stone; the first draw
// when none is chosen, a draw to the tee when every point is taken.
Decision FixedDraws(const GameState& state, CandidateList& list) {
  assert(list.Size() == 0);
  const int own = SideToThrow(state.ShotNum);
  for (const FixedDrawPoint& point : kFixedDrawPoints) {
    if (HasStoneNear(state, own, point.x, point.y, kTakenRadius)) continue;
    list.Append(Draw(point.x, point.y, 0));
    list.Append(Draw(point.x, point.y, 1));
  }
  if (list.Size() == 0) return Play(Draw(kTeeX, kTeeY, 0));
  RateCandidates(state, kRatingTrials, sim::kMatchRandomError, list);
  float mean;
  const int chosen = ChooseBestCandidate(list, mean);
  return Play(list.shots[chosen < 0 ? 0 : static_cast<std::size_t>(chosen)]);
}

}  // namespace

Decision DecideShot(const GameState& state, const SearchCallbacks& callbacks) {
  if (auto opening = OpeningGuard(state)) return *opening;
  std::optional<int> candidates;
  std::optional<Decision> decision = SearchLastStones(state, callbacks, candidates);
  if (!decision) {
    CandidateList list;
    list.shots.reserve(12);
    list.scores.reserve(12);
    decision = StoneScans(state, list);
    if (!decision) decision = FixedDraws(state, list);
  }
  decision->candidates = candidates;
  assert(!decision->mean_score || decision->candidates);
  return *decision;
}

}  // namespace curling
