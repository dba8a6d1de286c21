#include "library_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace curling::simtest {

GameState EmptyState(int shot_num) {
  GameState s{};
  s.ShotNum = shot_num;
  return s;
}

AimPoint Aim(double x, double y, int curl) {
  AimPoint a{};
  a.x = static_cast<float>(x);
  a.y = static_cast<float>(y);
  a.curl = static_cast<uint8_t>(curl);
  return a;
}

ShotVector Draw(double x, double y, int curl) {
  ShotVector out{};
  EXPECT_EQ(CreateShot(Aim(x, y, curl), &out), 1) << "draw to " << x << ", " << y;
  return out;
}

ShotVector Hit(double x, double y, int curl, double power) {
  ShotVector out{};
  EXPECT_EQ(CreateHitShot(Aim(x, y, curl), static_cast<float>(power), &out), 1)
      << "hit at " << x << ", " << y << " power " << power;
  return out;
}

GameState Simulate(const GameState& state, const ShotVector& shot, float error) {
  GameState copy = state;
  Simulation(&copy, shot, error, nullptr, -1);
  return copy;
}

reference::ReferenceResult Reference(const GameState& state, const ShotVector& shot,
                                     bool free_guard_zone, std::vector<double> sample_times) {
  reference::StepperOptions opt;
  opt.free_guard_zone = free_guard_zone;
  opt.sample_times = std::move(sample_times);
  return reference::PlayReference(state, shot.vx, shot.vy, shot.curl, opt);
}

double MaxStoneDistance(const GameState& a, const GameState& b) {
  double worst = 0.0;
  for (int i = 0; i < 16; ++i) {
    const bool out_a = a.Stones[i].x == 0.0f && a.Stones[i].y == 0.0f;
    const bool out_b = b.Stones[i].x == 0.0f && b.Stones[i].y == 0.0f;
    if (out_a != out_b) return std::numeric_limits<double>::infinity();
    worst = std::max(worst, std::hypot(static_cast<double>(a.Stones[i].x) - b.Stones[i].x,
                                       static_cast<double>(a.Stones[i].y) - b.Stones[i].y));
  }
  return worst;
}

bool IsOut(const GameState& s, int i) {
  return s.Stones[i].x == 0.0f && s.Stones[i].y == 0.0f;
}

bool HasEvent(const sim::ShotOutcome& out, sim::EventKind kind, int stone) {
  for (const auto& e : out.events) {
    if (e.kind == kind && e.a == stone) return true;
  }
  return false;
}

const sim::StoneTrajectory* FindTrajectory(const sim::ShotOutcome& out, int stone) {
  for (const auto& tr : out.trajectories) {
    if (tr.stone == stone) return &tr;
  }
  return nullptr;
}

sim::ShotOutcome PlayExact(const GameState& s, const ShotVector& shot, bool free_guard_zone,
                           float sample_interval) {
  sim::RandomStream stream;
  sim::Rules rules;
  rules.free_guard_zone = free_guard_zone;
  return sim::PlayShot(s, shot, 0.0f, stream, rules, sample_interval);
}

ShotVector SceneShot(const scenes::Scene& sc) {
  ShotVector shot{};
  if (sc.kind == scenes::ShotKind::kDraw) {
    CreateShot(sc.aim, &shot);
  } else {
    CreateHitShot(sc.aim, sc.power, &shot);
  }
  return shot;
}

uint64_t HashBytes(uint64_t hash, const void* data, size_t size) {
  const auto* p = static_cast<const unsigned char*>(data);
  for (size_t i = 0; i < size; ++i) {
    hash ^= p[i];
    hash *= 0x100000001B3ull;
  }
  return hash;
}

}  // namespace curling::simtest
