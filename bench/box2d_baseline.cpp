#include "box2d_baseline.h"

#include <box2d/box2d.h>

#include <array>
#include <cmath>
#include <numbers>

#include "support/reference_stepper.h"

namespace curling::bench {
namespace {

namespace ref = curling::reference;

// Box2D works in single precision: keep coordinates small by placing its
// origin on the tee.
constexpr double kOriginX = ref::kTeeX;
constexpr double kOriginY = ref::kTeeY;
constexpr double kMaxSimulatedTime = 120.0;

uint64_t SplitMix(uint64_t& s) {
  uint64_t z = (s += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

double Normal(uint64_t& s) {
  const double u1 = (static_cast<double>(SplitMix(s) >> 11) + 0.5) * 0x1.0p-53;
  const double u2 = static_cast<double>(SplitMix(s) >> 11) * 0x1.0p-53;
  return std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * std::numbers::pi * u2);
}

b2Body* AddStone(b2World& world, double x, double y) {
  b2BodyDef def;
  def.type = b2_dynamicBody;
  def.position.Set(static_cast<float>(x - kOriginX), static_cast<float>(y - kOriginY));
  def.fixedRotation = true;
  def.allowSleep = false;
  b2Body* body = world.CreateBody(&def);
  b2CircleShape circle;
  circle.m_radius = static_cast<float>(ref::kStoneRadius);
  b2FixtureDef fixture;
  fixture.shape = &circle;
  fixture.density = static_cast<float>(
      1.0 / (std::numbers::pi * ref::kStoneRadius * ref::kStoneRadius));  // unit mass
  fixture.friction = 0.0f;
  fixture.restitution = static_cast<float>(ref::kRestitution);
  fixture.restitutionThreshold = 1e-3f;
  body->CreateFixture(&fixture);
  return body;
}

}  // namespace

GameState PlayBox2d(const GameState& state, const ShotVector& shot, float random_error,
                    uint64_t& rng_state, const Box2dOptions& options) {
  GameState before = state;
  for (StonePosition& p : before.Stones) {
    if (ref::OutOfPlayBefore(p.x, p.y)) p = {0.0f, 0.0f};
  }
  const int shot_num = state.ShotNum;
  const bool shot_valid = shot_num >= 0 && shot_num <= 15;
  if (shot_valid) before.Stones[shot_num] = {0.0f, 0.0f};

  b2World world(b2Vec2(0.0f, 0.0f));
  world.SetAllowSleeping(false);
  std::array<b2Body*, 16> bodies{};
  std::array<int, 16> spin{};
  std::array<bool, 16> guarded{};
  for (int i = 0; i < 16; ++i) {
    const StonePosition& p = before.Stones[i];
    if (p.x == 0.0f && p.y == 0.0f) continue;
    bodies[i] = AddStone(world, p.x, p.y);
    guarded[i] = options.free_guard_zone && shot_valid && shot_num <= 4 && i % 2 != shot_num % 2 &&
                 ref::InFreeGuardZone(p.x, p.y);
  }

  double vx = shot.vx, vy = shot.vy;
  double v = std::hypot(vx, vy);
  int delivered = -1;
  if (shot_valid && std::isfinite(v)) {
    if (v > ref::kMaxSpeed) vx *= ref::kMaxSpeed / v, vy *= ref::kMaxSpeed / v, v = ref::kMaxSpeed;
    if (random_error != 0.0f && v > 0.0) {
      const double along = random_error * Normal(rng_state);
      const double across = random_error * Normal(rng_state);
      const double v2 = v * v + 2.0 * ref::kFriction * along;
      const double reach = v * v / (2.0 * ref::kFriction);
      const double turn = across / reach;
      const double scale = v2 > 0.0 ? std::sqrt(v2) / v : 0.0;
      const double c = std::cos(turn), s = std::sin(turn);
      const double rx = (vx * c - vy * s) * scale, ry = (vx * s + vy * c) * scale;
      vx = rx, vy = ry;
    }
    delivered = shot_num;
    bodies[delivered] = AddStone(world, ref::kDeliveryX, ref::kDeliveryY);
    bodies[delivered]->SetLinearVelocity(b2Vec2(static_cast<float>(vx), static_cast<float>(vy)));
    spin[delivered] = shot.curl != 0 ? 1 : -1;
  }

  const float dt = static_cast<float>(options.time_step);
  bool touched = false;
  std::array<bool, 16> moving{};
  for (double t = 0.0; t < kMaxSimulatedTime; t += options.time_step) {
    bool any = false;
    for (int i = 0; i < 16; ++i) {
      b2Body* b = bodies[i];
      if (b == nullptr) continue;
      const b2Vec2 vel = b->GetLinearVelocity();
      const double speed = std::hypot(vel.x, vel.y);
      if (speed < ref::kFriction * options.time_step) {
        if (speed > 0.0) b->SetLinearVelocity(b2Vec2(0.0f, 0.0f));
        moving[i] = false;
        continue;
      }
      if (!moving[i] && i != delivered) spin[i] = 0;  // struck from rest: runs straight
      moving[i] = true;
      any = true;
      const double ux = vel.x / speed, uy = vel.y / speed;
      const double curl = speed >= ref::kCurlVc
                              ? ref::kCurlK / speed
                              : ref::kCurlK * speed / (ref::kCurlVc * ref::kCurlVc);
      const double side = spin[i] * curl;
      const double m = b->GetMass();
      b->ApplyForceToCenter(b2Vec2(static_cast<float>(m * (-ref::kFriction * ux - side * uy)),
                                   static_cast<float>(m * (-ref::kFriction * uy + side * ux))),
                            true);
    }
    if (!any) break;
    world.Step(dt, options.velocity_iterations, options.position_iterations);
    for (b2Contact* c = world.GetContactList(); c != nullptr; c = c->GetNext()) {
      if (!c->IsTouching() || delivered < 0) continue;
      if (c->GetFixtureA()->GetBody() == bodies[delivered] ||
          c->GetFixtureB()->GetBody() == bodies[delivered]) {
        touched = true;
      }
    }
    for (int i = 0; i < 16; ++i) {
      b2Body* b = bodies[i];
      if (b == nullptr || !moving[i]) continue;
      const double x = b->GetPosition().x + kOriginX, y = b->GetPosition().y + kOriginY;
      if (x <= ref::kStoneRadius || x >= ref::kSheetWidth - ref::kStoneRadius ||
          y < ref::kBackLineY - ref::kStoneRadius) {
        world.DestroyBody(b);
        bodies[i] = nullptr;
      }
    }
  }

  GameState out = state;
  out.ShotNum = static_cast<int32_t>(static_cast<uint32_t>(state.ShotNum) + 1u);
  for (int i = 0; i < 16; ++i) {
    if (guarded[i] && bodies[i] == nullptr) {
      for (int k = 0; k < 16; ++k)
        out.Stones[k] = before.Stones[k];
      return out;
    }
  }
  for (int i = 0; i < 16; ++i) {
    if (bodies[i] == nullptr) {
      out.Stones[i] = {0.0f, 0.0f};
      continue;
    }
    const double x = bodies[i]->GetPosition().x + kOriginX;
    const double y = bodies[i]->GetPosition().y + kOriginY;
    out.Stones[i] = {static_cast<float>(x), static_cast<float>(y)};
  }
  if (delivered >= 0 && bodies[delivered] != nullptr && !touched &&
      out.Stones[delivered].y > ref::kHogLineY - ref::kStoneRadius) {
    out.Stones[delivered] = {0.0f, 0.0f};
  }
  return out;
}

}  // namespace curling::bench
