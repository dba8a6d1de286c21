#include "support/reference_stepper.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace curling::reference {
namespace {

constexpr double kRestSpeed = 1e-12;       // a stone this slow has stopped
constexpr double kMinStep = 1e-9;          // seconds; floor of the contact look-ahead
constexpr double kMinBoundaryStep = 1e-7;  // seconds; floor of the look-ahead to the lines
// Contacts are located to this gap; a pair further apart but within the
// contact gap is resolved at once only when it would otherwise graze past.
constexpr double kTouchGap = 1e-8;
constexpr double kMinKinkStep = 1e-12;

struct Stone {
  double x = 0.0, y = 0.0;
  double vx = 0.0, vy = 0.0;
  int spin = 0;
  bool in_play = false;
  bool moving = false;
};

double Speed(const Stone& s) {
  return std::hypot(s.vx, s.vy);
}

// Acceleration of a stone moving with velocity (vx, vy) and spin `spin`:
// constant friction against the motion plus the sideways curl pull.
void Acceleration(double vx, double vy, int spin, double& ax, double& ay) {
  const double v = std::hypot(vx, vy);
  if (v < kRestSpeed) {
    ax = ay = 0.0;
    return;
  }
  const double ux = vx / v, uy = vy / v;
  const double curl = v >= kCurlVc ? kCurlK / v : kCurlK * v / (kCurlVc * kCurlVc);
  const double side = spin * curl;
  // (-uy, ux) is the direction of motion turned a quarter counter-clockwise.
  ax = -kFriction * ux - side * uy;
  ay = -kFriction * uy + side * ux;
}

void StepRk4(Stone& s, double h) {
  double k1x, k1y, k2x, k2y, k3x, k3y, k4x, k4y;
  Acceleration(s.vx, s.vy, s.spin, k1x, k1y);
  const double v2x = s.vx + 0.5 * h * k1x, v2y = s.vy + 0.5 * h * k1y;
  Acceleration(v2x, v2y, s.spin, k2x, k2y);
  const double v3x = s.vx + 0.5 * h * k2x, v3y = s.vy + 0.5 * h * k2y;
  Acceleration(v3x, v3y, s.spin, k3x, k3y);
  const double v4x = s.vx + h * k3x, v4y = s.vy + h * k3y;
  Acceleration(v4x, v4y, s.spin, k4x, k4y);
  s.x += h / 6.0 * (s.vx + 2.0 * v2x + 2.0 * v3x + v4x);
  s.y += h / 6.0 * (s.vy + 2.0 * v2y + 2.0 * v3y + v4y);
  s.vx += h / 6.0 * (k1x + 2.0 * k2x + 2.0 * k3x + k4x);
  s.vy += h / 6.0 * (k1y + 2.0 * k2y + 2.0 * k3y + k4y);
}

bool LeftPlay(const Stone& s) {
  return s.x <= kStoneRadius || s.x >= kSheetWidth - kStoneRadius ||
         s.y < kBackLineY - kStoneRadius || s.y > kDeliveryY;
}

// Distance a stone may still travel before it could reach a side board, pass
// the back line or (heading up the sheet) pass the delivery point.
double BoundaryDistance(const Stone& s) {
  return std::min({s.x - kStoneRadius, kSheetWidth - kStoneRadius - s.x,
                   s.y - (kBackLineY - kStoneRadius),
                   s.vy > 0.0 ? kDeliveryY - s.y : std::numeric_limits<double>::infinity()});
}

// True when two stones at offset (dx, dy), closing with relative velocity
// (rvx, rvy), would pass without their gap reaching zero on straight paths.
bool WouldGraze(double dx, double dy, double rvx, double rvy) {
  const double rv = std::hypot(rvx, rvy);
  return rv > 0.0 && std::abs(dx * rvy - dy * rvx) / rv > 2.0 * kStoneRadius;
}

class Simulator {
 public:
  Simulator(const StepperOptions& options, ReferenceResult& result)
      : options_(options), result_(result) {}

  std::array<Stone, 16> stones;
  int delivered = -1;

  void Run() {
    while (AnyMoving() && !result_.event_limit) {
      ResolveContacts();
      if (result_.event_limit || !AnyMoving()) break;
      event_instant_ = false;
      Advance(NextStep());
    }
    if (result_.event_limit) {
      for (Stone& s : stones)
        s.vx = s.vy = 0.0, s.moving = false;
    }
    result_.duration = t_;
    while (next_sample_ < options_.sample_times.size())
      RecordSample();
  }

 private:
  bool AnyMoving() const {
    return std::any_of(stones.begin(), stones.end(), [](const Stone& s) { return s.moving; });
  }

  bool CountEvent() {
    event_instant_ = true;
    if (++result_.events >= kMaxEvents) result_.event_limit = true;
    return !result_.event_limit;
  }

  // Every pair in contact and approaching gets its impulse, one pair at a
  // time in index order; passes repeat until no pair is left approaching.
  // At the instant of an event (and at release) a pair is in contact within
  // the contact gap; between events the step is cut so that a pair closing in
  // meets at a gap of a few nanometres (or grazes within the contact gap).
  void ResolveContacts() {
    bool any = true;
    while (any) {
      any = false;
      for (int i = 0; i < 16; ++i) {
        for (int j = i + 1; j < 16; ++j) {
          Stone& a = stones[i];
          Stone& b = stones[j];
          if (!a.in_play || !b.in_play || (!a.moving && !b.moving)) continue;
          const double dx = b.x - a.x, dy = b.y - a.y;
          const double d = std::hypot(dx, dy);
          const double gap = d - 2.0 * kStoneRadius;
          if (gap > kContactGap || d == 0.0) continue;
          const double nx = dx / d, ny = dy / d;
          const double vn = (a.vx - b.vx) * nx + (a.vy - b.vy) * ny;
          if (vn <= 0.0) continue;
          if (!event_instant_ && gap > kTouchGap && !WouldGraze(dx, dy, b.vx - a.vx, b.vy - a.vy)) {
            continue;
          }
          const double j_imp = (1.0 + kRestitution) / 2.0 * vn;
          if (!a.moving) a.spin = 0;
          if (!b.moving) b.spin = 0;
          a.vx -= j_imp * nx, a.vy -= j_imp * ny;
          b.vx += j_imp * nx, b.vy += j_imp * ny;
          a.moving = Speed(a) > kRestSpeed;
          b.moving = Speed(b) > kRestSpeed;
          ++result_.collisions;
          if (i == delivered || j == delivered) result_.delivered_touched = true;
          any = true;
          if (!CountEvent()) return;
        }
      }
    }
  }

  double NextStep() const {
    double h = options_.max_step;
    std::array<double, 16> speed{};
    for (int i = 0; i < 16; ++i) {
      const Stone& s = stones[i];
      if (!s.moving) continue;
      const double v = speed[i] = Speed(s);
      h = std::min(h, v / kFriction);
      if (v > kCurlVc && (v - kCurlVc) / kFriction > kMinKinkStep) {
        h = std::min(h, (v - kCurlVc) / kFriction);
      }
      h = std::min(h, std::max(BoundaryDistance(s) / v, kMinBoundaryStep));
    }
    // Conservative advancement: no pair can close its gap by more than the
    // sum of the two speeds times the step.
    for (int i = 0; i < 16; ++i) {
      for (int j = i + 1; j < 16; ++j) {
        const Stone& a = stones[i];
        const Stone& b = stones[j];
        if (!a.in_play || !b.in_play || (!a.moving && !b.moving)) continue;
        const double gap = std::hypot(b.x - a.x, b.y - a.y) - 2.0 * kStoneRadius;
        if (gap <= kTouchGap) continue;  // touching but separating: no limit
        h = std::min(h, std::max(gap / (speed[i] + speed[j]), kMinStep));
      }
    }
    if (next_sample_ < options_.sample_times.size()) {
      h = std::min(h, std::max(options_.sample_times[next_sample_] - t_, 0.0));
    }
    return h;
  }

  void Advance(double h) {
    for (int i = 0; i < 16; ++i) {
      Stone& s = stones[i];
      if (!s.moving) continue;
      const double v = Speed(s);
      if (h >= v / kFriction * (1.0 - 1e-12)) {
        // The stone stops within this step: play the exact remaining time.
        StepRk4(s, v / kFriction);
        s.vx = s.vy = 0.0;
        s.moving = false;
        CountEvent();
      } else {
        StepRk4(s, h);
      }
      if (LeftPlay(s)) {
        s = Stone{};
        CountEvent();
      }
    }
    t_ += h;
    while (next_sample_ < options_.sample_times.size() &&
           options_.sample_times[next_sample_] <= t_) {
      RecordSample();
    }
  }

  void RecordSample() {
    std::array<Point, 16> p{};
    for (int i = 0; i < 16; ++i) {
      if (stones[i].in_play) p[i] = {stones[i].x, stones[i].y};
    }
    result_.samples.push_back(p);
    ++next_sample_;
  }

  const StepperOptions& options_;
  ReferenceResult& result_;
  double t_ = 0.0;
  size_t next_sample_ = 0;
  bool event_instant_ = true;  // the last step ended in an event
};

}  // namespace

bool OutOfPlayBefore(float x, float y) {
  if (x == 0.0f && y == 0.0f) return false;
  if (!std::isfinite(x) || !std::isfinite(y)) return true;
  return x <= kStoneRadius || x >= kSheetWidth - kStoneRadius || y < kBackLineY - kStoneRadius ||
         y > kDeliveryY;
}

bool InFreeGuardZone(double x, double y) {
  return y > kTeeY + kStoneRadius && y <= kHogLineY &&
         std::hypot(x - kTeeX, y - kTeeY) > kGuardZoneTeeDistance;
}

ReferenceResult PlayReference(const GameState& state, double vx, double vy, int curl_flag,
                              const StepperOptions& options) {
  ReferenceResult result;
  GameState before = state;
  for (StonePosition& p : before.Stones) {
    if (OutOfPlayBefore(p.x, p.y)) p = {0.0f, 0.0f};
  }
  const int shot = state.ShotNum;
  const bool shot_valid = shot >= 0 && shot <= 15;
  if (shot_valid) before.Stones[shot] = {0.0f, 0.0f};

  Simulator sim(options, result);
  for (int i = 0; i < 16; ++i) {
    const StonePosition& p = before.Stones[i];
    if (p.x == 0.0f && p.y == 0.0f) continue;
    sim.stones[i].x = p.x;
    sim.stones[i].y = p.y;
    sim.stones[i].in_play = true;
  }

  // Opponent stones guarded by the five-rock rule at this shot.
  std::array<bool, 16> guarded{};
  if (options.free_guard_zone && shot_valid && shot <= 4) {
    for (int i = 0; i < 16; ++i) {
      const Stone& s = sim.stones[i];
      guarded[i] = s.in_play && i % 2 != shot % 2 && InFreeGuardZone(s.x, s.y);
    }
  }

  double v = std::hypot(vx, vy);
  if (shot_valid && std::isfinite(v)) {
    Stone& d = sim.stones[shot];
    d.x = kDeliveryX;
    d.y = kDeliveryY;
    if (v > kMaxSpeed) {
      vx *= kMaxSpeed / v;
      vy *= kMaxSpeed / v;
      v = kMaxSpeed;
    }
    d.vx = vx;
    d.vy = vy;
    d.spin = curl_flag != 0 ? 1 : -1;
    d.in_play = true;
    d.moving = v > kRestSpeed;
    sim.delivered = shot;
    result.delivered = true;
  }

  sim.Run();

  if (sim.delivered >= 0) {
    Stone& d = sim.stones[sim.delivered];
    if (d.in_play && d.y > kHogLineY - kStoneRadius && !result.delivered_touched) {
      d = Stone{};
      result.hog_line_removed = true;
    }
  }
  for (int i = 0; i < 16; ++i) {
    if (guarded[i] && !sim.stones[i].in_play) result.guard_zone_restored = true;
  }

  result.final_state = state;
  result.final_state.ShotNum = static_cast<int32_t>(static_cast<uint32_t>(state.ShotNum) + 1u);
  if (result.guard_zone_restored) {
    for (int i = 0; i < 16; ++i) {
      result.final_state.Stones[i] = before.Stones[i];
      result.rest[i] = {before.Stones[i].x, before.Stones[i].y};
    }
    return result;
  }
  for (int i = 0; i < 16; ++i) {
    const Stone& s = sim.stones[i];
    result.rest[i] = s.in_play ? Point{s.x, s.y} : Point{};
    result.final_state.Stones[i] = {static_cast<float>(result.rest[i].x),
                                    static_cast<float>(result.rest[i].y)};
  }
  return result;
}

}  // namespace curling::reference
