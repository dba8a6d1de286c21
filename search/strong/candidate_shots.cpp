#include "search/strong/candidate_shots.h"

#include <cassert>
#include <cmath>

#include "game/rink.h"
#include "search/strong/shot_making.h"
#include "search/strong/stone_layout.h"

namespace curling::strong {
namespace {

struct Offset {
  float dx;
  float dy;  // positive: in front of the tee, toward the thrower
};

// Draw targets around the tee: the button, the four-foot, the eight-foot and
// the top of the twelve-foot.
constexpr Offset kDrawTargets[] = {
    {0.0f, 0.0f},    {-0.6f, 0.0f},  {0.6f, 0.0f},  {0.0f, 0.6f}, {0.0f, -0.5f},
    {-0.42f, 0.42f}, {0.42f, 0.42f}, {-1.2f, 0.0f}, {1.2f, 0.0f}, {0.0f, 1.2f},
    {-0.85f, 0.85f}, {0.85f, 0.85f}, {0.0f, 1.6f},
};

// Guard spots: centre (tight and long) and the two corners.
constexpr Offset kGuardSpots[] = {
    {0.0f, 2.4f},
    {0.0f, 3.7f},
    {-0.88f, 2.4f},
    {0.88f, 2.4f},
};

constexpr float kOpenRadius = 0.25f;       // a draw target this near a stone is not open
constexpr float kFreezeOffset = 0.30f;     // a touch more than a stone diameter
constexpr float kGuardInFront = 1.8f;      // guard set back from a stone in the house
constexpr float kRollOffset = 0.07f;       // half a stone radius off centre
constexpr float kGuardZoneFrontY = 11.0f;  // stones nearer the hog line are not played on
constexpr int kMostHouseStones = 6;        // freezes and guards for the nearest ones only
constexpr int kMostDoubleStones = 4;       // doubles among the nearest opponent stones
constexpr float kDoubleReach = 2.5f;       // second stone at most this far from the first
constexpr float kDoubleWeight = 8.0f;

class CandidateCollector {
 public:
  explicit CandidateCollector(std::vector<CandidateShot>& out) : out_(out) {}

  void Add(const ShotVector& shot, ShotKind kind, int target) {
    assert(target >= -1 && target < kStoneCount);    // a stone of the record, or none
    if (shot.vx == 0.0f && shot.vy == 0.0f) return;  // the library found no delivery
    out_.push_back(CandidateShot{shot, kind, target});
  }
  void AddBothCurls(ShotVector (*make)(float, float, int), float x, float y, ShotKind kind,
                    int target) {
    for (int curl = 0; curl < 2; ++curl)
      Add(make(x, y, curl), kind, target);
  }
  void AddHits(float x, float y, float weight, ShotKind kind, int target) {
    for (int curl = 0; curl < 2; ++curl)
      Add(HitAt(x, y, weight, curl), kind, target);
  }
  void AddDrawsInFront(float x, float y, float offset, ShotKind kind, int target) {
    for (int curl = 0; curl < 2; ++curl)
      Add(DrawInFrontOf(x, y, offset, curl), kind, target);
  }

 private:
  std::vector<CandidateShot>& out_;
};

void AddDraws(const StoneLayout& layout, CandidateCollector& list) {
  for (const Offset& o : kDrawTargets) {
    const float x = kTeeX + o.dx;
    const float y = kTeeY + o.dy;
    if (layout.IsOpen(x, y, kOpenRadius)) list.AddBothCurls(DrawTo, x, y, ShotKind::kDraw, -1);
  }
}

void AddGuards(const StoneLayout& layout, CandidateCollector& list) {
  for (const Offset& o : kGuardSpots) {
    const float x = kTeeX + o.dx;
    const float y = kTeeY + o.dy;
    if (layout.IsOpen(x, y, kOpenRadius)) list.AddBothCurls(DrawTo, x, y, ShotKind::kGuard, -1);
  }
  for (int i = 0; i < layout.house_count() && i < kMostHouseStones; ++i) {
    const PlacedStone& s = layout[i];
    list.AddDrawsInFront(s.x, s.y, kGuardInFront, ShotKind::kGuard, s.index);
  }
}

void AddFreezes(const StoneLayout& layout, CandidateCollector& list) {
  for (int i = 0; i < layout.house_count() && i < kMostHouseStones; ++i) {
    const PlacedStone& s = layout[i];
    list.AddDrawsInFront(s.x, s.y, kFreezeOffset, ShotKind::kFreeze, s.index);
  }
}

// Hits on the opponent's stones; raises, taps and peels of one's own.
void AddHits(const StoneLayout& layout, int own, CandidateCollector& list) {
  for (int i = 0; i < layout.count(); ++i) {
    const PlacedStone& s = layout[i];
    if (s.y > kGuardZoneFrontY) continue;
    const bool in_house = i < layout.house_count();
    if (s.side != own) {
      list.AddHits(s.x, s.y, kTakeOutWeight, ShotKind::kHit, s.index);
      list.AddHits(s.x, s.y, kControlWeight, ShotKind::kHit, s.index);
      list.AddHits(s.x - kRollOffset, s.y, kTakeOutWeight, ShotKind::kHitAndRoll, s.index);
      list.AddHits(s.x + kRollOffset, s.y, kTakeOutWeight, ShotKind::kHitAndRoll, s.index);
      if (in_house) list.AddHits(s.x, s.y, kTapWeight, ShotKind::kTap, s.index);
      if (!in_house) list.AddHits(s.x, s.y, kPeelWeight, ShotKind::kPeel, s.index);
    } else if (in_house) {
      list.AddHits(s.x, s.y, kTapWeight, ShotKind::kTap, s.index);
    } else {
      list.AddHits(s.x, s.y, kRaiseWeight, ShotKind::kRaise, s.index);
      list.AddHits(s.x, s.y, kPeelWeight, ShotKind::kPeel, s.index);
    }
  }
}

// Firm hits on every stone in play: take-outs of the opponent's, peels of one's own.
void AddFirmHits(const StoneLayout& layout, int own, CandidateCollector& list) {
  for (int i = 0; i < layout.count(); ++i) {
    const PlacedStone& s = layout[i];
    const ShotKind kind = s.side == own ? ShotKind::kPeel : ShotKind::kHit;
    for (const float weight : kFirmHitWeights)
      list.AddHits(s.x, s.y, weight, kind, s.index);
  }
}

// Strikes a first opponent stone so that it drives on into a second: the
// shooter meets the first where the line from the second through the first
// leaves it, so the first moves along that line.
void AddDoubles(const StoneLayout& layout, int own, CandidateCollector& list) {
  const PlacedStone* stones[kMostDoubleStones];
  int n = 0;
  for (int i = 0; i < layout.count() && n < kMostDoubleStones; ++i) {
    if (layout[i].side != own && layout[i].y <= kGuardZoneFrontY) stones[n++] = &layout[i];
  }
  for (int a = 0; a < n; ++a) {
    for (int b = 0; b < n; ++b) {
      if (a == b) continue;
      const float dx = stones[b]->x - stones[a]->x;
      const float dy = stones[b]->y - stones[a]->y;
      const float gap = std::sqrt(dx * dx + dy * dy);
      if (!(gap > kStoneDiameter) || gap > kDoubleReach) continue;
      // The second must lie beyond the first, seen from the delivery point.
      const float px = stones[a]->x - kDeliveryX;
      const float py = stones[a]->y - kDeliveryY;
      const float path = std::sqrt(px * px + py * py);
      if ((dx * px + dy * py) / (gap * path) < 0.5f) continue;
      const float aim_x = stones[a]->x - kStoneDiameter * dx / gap;
      const float aim_y = stones[a]->y - kStoneDiameter * dy / gap;
      list.AddHits(aim_x, aim_y, kDoubleWeight, ShotKind::kDouble, stones[a]->index);
    }
  }
}

}  // namespace

const char* ShotKindName(ShotKind kind) {
  switch (kind) {
    case ShotKind::kDraw:
      return "draw";
    case ShotKind::kGuard:
      return "guard";
    case ShotKind::kFreeze:
      return "freeze";
    case ShotKind::kTap:
      return "tap";
    case ShotKind::kHit:
      return "hit";
    case ShotKind::kHitAndRoll:
      return "hit and roll";
    case ShotKind::kRaise:
      return "raise";
    case ShotKind::kPeel:
      return "peel";
    case ShotKind::kDouble:
      return "double";
    case ShotKind::kThrowAway:
      return "throw-away";
  }
  return "?";
}

bool IsHit(ShotKind kind) {
  switch (kind) {
    case ShotKind::kTap:
    case ShotKind::kHit:
    case ShotKind::kHitAndRoll:
    case ShotKind::kRaise:
    case ShotKind::kPeel:
    case ShotKind::kDouble:
      return true;
    default:
      return false;
  }
}

std::vector<CandidateShot> GenerateCandidates(const GameState& state, HitWeights hits) {
  std::vector<CandidateShot> out;
  out.reserve(160);
  const StoneLayout layout(state);
  const int own = SideToThrow(state.ShotNum);
  CandidateCollector list(out);
  AddDraws(layout, list);
  AddGuards(layout, list);
  AddFreezes(layout, list);
  AddHits(layout, own, list);
  AddDoubles(layout, own, list);
  list.Add(ThrowAway(), ShotKind::kThrowAway, -1);
  if (hits == HitWeights::kWithFirm) AddFirmHits(layout, own, list);
  return out;
}

}  // namespace curling::strong
