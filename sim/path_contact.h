// When two stones first touch: a moving stone and a stone at rest, or two
// moving stones. Each search marches forward in time in steps that cannot
// skip a contact, and either finds the contact, finds that there is none, or
// stops after a given number of steps at a time up to which there certainly
// is none (from which it can be resumed).
//
// A step compares the motion with a straight line: the moving stone's
// tangent, or for two moving stones the straight relative motion. The true
// motion stays within a cone around that line (for a path, the heading turns
// by at most tau over the step, so after an arc s the stone is within
// tau * s of the tangent; for two stones, relative acceleration at most A
// keeps them within A T / 2 * t of the line up to a horizon T), so the first
// time the line enters a circle whose radius grows along the cone is a time
// before which they cannot touch: a quadratic in closed form. Near a contact
// the cone narrows with the step and the steps converge quadratically.
#pragma once

#include "sim/free_path.h"
#include "sim/path_extent.h"

namespace curling::sim {

struct ContactSearch {
  double time;    // never earlier than the search's start
  bool final;     // time is the contact (+inf: none); else only a safe time
  int steps = 0;  // steps the search took
};

// Contacts are found with the gap within kContactPrecision while closing in
// faster than kMinClosingSpeed. A pair touching at the search's start counts
// as a contact then only if `contact_at_start` (else it was just found not to
// collide). A touching pair that does not close in is left alone until its
// closing speed could exceed the threshold or its gap could have shrunk by
// kTouchingSlack, whichever is later.

// How far from a path's centre line a stone at rest can be and still be
// touched by the stone on it.
inline constexpr double kPathReach = 2.0 * kStoneRadius + kContactGap;

// Whether a stone at rest at `other` lies beside the bounding box of a path
// (`extent`), too far for the moving stone to touch it anywhere on the path.
inline bool BesidePathBox(const PathExtent& extent, Vec2 other) {
  return other.x < extent.lo.x - kPathReach || other.x > extent.hi.x + kPathReach ||
         other.y < extent.lo.y - kPathReach || other.y > extent.hi.y + kPathReach;
}

// Whether a moving stone on `motion` can come near a stone at rest at `other`
// (not beside the path's box) anywhere on its path: false only when the
// path's corridor shows that it certainly cannot.
bool PathCorridorMayReach(const FreePath& motion, Vec2 other);

// A moving stone on `motion` from time `t` and a stone at rest at `other`.
ContactSearch PathContactTime(const CanonicalPath& path, const FreePath& motion, double t,
                              Vec2 other, int max_steps, bool contact_at_start);

// Two moving stones from time `t`.
ContactSearch PairContactTime(const CanonicalPath& path, const FreePath& a, const FreePath& b,
                              double t, int max_steps, bool contact_at_start);

// A cheap first safe time for a pair whose centres are `distance` apart at
// time `t`, the stones running at most `speed_sum` together and `reach` metres
// of path together: +inf (final) when they cannot reach each other at all.
ContactSearch FirstSafeTime(double t, double distance, double speed_sum, double reach);

}  // namespace curling::sim
