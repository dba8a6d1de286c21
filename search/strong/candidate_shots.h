// The deliveries the strong search weighs at a shot: the kinds curlers play,
// each for both curls. Draws to open ice and the four-foot, guards (centre,
// corner, and in front of stones in the house), freezes, hits with several
// weights (tap, control, take-out), hits and rolls, raises of own stones,
// peels, doubles, and a throw-away that gives up the stone.
#pragma once

#include <cstdint>
#include <vector>

#include "curling_simulator/records.h"

namespace curling::strong {

enum class ShotKind : uint8_t {
  kDraw,
  kGuard,
  kFreeze,
  kTap,
  kHit,  // take-out or control-weight hit, straight on
  kHitAndRoll,
  kRaise,
  kPeel,
  kDouble,
  kThrowAway,
};

const char* ShotKindName(ShotKind kind);
bool IsHit(ShotKind kind);  // a delivery meant to strike a stone

struct CandidateShot {
  ShotVector shot;
  ShotKind kind;
  int target;  // index in GameState::Stones of the stone played on, -1 for none
};

// Which hits are weighed: the weights curlers call (up to a peel), or also
// firm hits far harder than any called weight. Under the delivery error a
// fast delivery is nearly exact (the error turns its heading by the error
// across over the length of its path), so a hard hit is often the surest.
enum class HitWeights { kCalled, kWithFirm };

// The weights of the firm hits (metres the shooter would still run past its
// target), played on every stone in play.
inline constexpr float kFirmHitWeights[] = {192.0f, 768.0f};

// The candidates for the side to throw in `state` (ShotNum 0 to 15), in a
// fixed order. Deliveries the library cannot build (no speed reaches) are left
// out. Calls the library's inverse shots; safe from any thread.
std::vector<CandidateShot> GenerateCandidates(const GameState& state,
                                              HitWeights hits = HitWeights::kCalled);

}  // namespace curling::strong
