#include "box2d_baseline.h"

#include <box2d/box2d.h>

#include <algorithm>
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

// The delivery with random error: `along` changes the path's length,
// `across` turns its heading, as the library perturbs a delivery.
void PerturbDelivery(double& vx, double& vy, double v, float random_error, uint64_t& rng_state) {
  const double along = random_error * Normal(rng_state);
  const double across = random_error * Normal(rng_state);
  const double v2 = v * v + 2.0 * ref::kFriction * along;
  const double reach = v * v / (2.0 * ref::kFriction);
  const double turn = across / reach;
  const double scale = v2 > 0.0 ? std::sqrt(v2) / v : 0.0;
  const double c = std::cos(turn), s = std::sin(turn);
  const double rx = (vx * c - vy * s) * scale, ry = (vx * s + vy * c) * scale;
  vx = rx;
  vy = ry;
}

// One shot in a Box2D world, step by step.
class Box2dShot {
 public:
  Box2dShot(const GameState& state, const Box2dOptions& options)
      : options_(options), world_(b2Vec2(0.0f, 0.0f)), state_(state), before_(state) {
    world_.SetAllowSleeping(false);
    const int shot_num = state.ShotNum;
    shot_valid_ = shot_num >= 0 && shot_num <= 15;
    for (StonePosition& p : before_.Stones) {
      if (ref::OutOfPlayBefore(p.x, p.y)) p = {0.0f, 0.0f};
    }
    if (shot_valid_) before_.Stones[shot_num] = {0.0f, 0.0f};
    for (int i = 0; i < 16; ++i) {
      const StonePosition& p = before_.Stones[i];
      if (p.x == 0.0f && p.y == 0.0f) continue;
      bodies_[i] = AddStone(world_, p.x, p.y);
      guarded_[i] = options.free_guard_zone && shot_valid_ && shot_num <= 4 &&
                    i % 2 != shot_num % 2 && ref::InFreeGuardZone(p.x, p.y);
    }
  }

  void Deliver(const ShotVector& shot, float random_error, uint64_t& rng_state) {
    double vx = shot.vx, vy = shot.vy;
    double v = std::hypot(vx, vy);
    if (!shot_valid_ || !std::isfinite(v)) return;
    if (v > ref::kMaxSpeed) {
      vx *= ref::kMaxSpeed / v;
      vy *= ref::kMaxSpeed / v;
      v = ref::kMaxSpeed;
    }
    if (random_error != 0.0f && v > 0.0) PerturbDelivery(vx, vy, v, random_error, rng_state);
    delivered_ = state_.ShotNum;
    bodies_[delivered_] = AddStone(world_, ref::kDeliveryX, ref::kDeliveryY);
    bodies_[delivered_]->SetLinearVelocity(b2Vec2(static_cast<float>(vx), static_cast<float>(vy)));
    spin_[delivered_] = shot.curl != 0 ? 1 : -1;
  }

  // Steps until every stone has stopped (or the time limit).
  void Run() {
    const long max_steps = static_cast<long>(std::ceil(kMaxSimulatedTime / options_.time_step));
    for (long step = 0; step < max_steps; ++step) {
      if (!ApplyIce()) break;
      world_.Step(static_cast<float>(options_.time_step), options_.velocity_iterations,
                  options_.position_iterations);
      NoteDeliveredContacts();
      RemoveStonesOffTheSheet();
    }
  }

  GameState Result() const {
    GameState out = state_;
    out.ShotNum = static_cast<int32_t>(static_cast<uint32_t>(state_.ShotNum) + 1u);
    for (int i = 0; i < 16; ++i) {
      if (guarded_[i] && bodies_[i] == nullptr) {
        std::copy(std::begin(before_.Stones), std::end(before_.Stones), std::begin(out.Stones));
        return out;
      }
    }
    for (int i = 0; i < 16; ++i) {
      const b2Body* b = bodies_[i];
      out.Stones[i] = b == nullptr
                          ? StonePosition{0.0f, 0.0f}
                          : StonePosition{static_cast<float>(b->GetPosition().x + kOriginX),
                                          static_cast<float>(b->GetPosition().y + kOriginY)};
    }
    if (delivered_ >= 0 && bodies_[delivered_] != nullptr && !touched_ &&
        out.Stones[delivered_].y > ref::kHogLineY - ref::kStoneRadius) {
      out.Stones[delivered_] = {0.0f, 0.0f};
    }
    return out;
  }

 private:
  // Friction and curl as forces on every moving stone; false when none moves.
  bool ApplyIce() {
    bool any = false;
    for (int i = 0; i < 16; ++i) {
      b2Body* b = bodies_[i];
      if (b == nullptr) continue;
      const b2Vec2 vel = b->GetLinearVelocity();
      const double speed = std::hypot(vel.x, vel.y);
      if (speed < ref::kFriction * options_.time_step) {
        if (speed > 0.0) b->SetLinearVelocity(b2Vec2(0.0f, 0.0f));
        moving_[i] = false;
        continue;
      }
      if (!moving_[i] && i != delivered_) spin_[i] = 0;  // struck from rest: runs straight
      moving_[i] = true;
      any = true;
      const double ux = vel.x / speed, uy = vel.y / speed;
      const double curl = speed >= ref::kCurlVc
                              ? ref::kCurlK / speed
                              : ref::kCurlK * speed / (ref::kCurlVc * ref::kCurlVc);
      const double side = spin_[i] * curl;
      const double m = b->GetMass();
      b->ApplyForceToCenter(b2Vec2(static_cast<float>(m * (-ref::kFriction * ux - side * uy)),
                                   static_cast<float>(m * (-ref::kFriction * uy + side * ux))),
                            true);
    }
    return any;
  }

  void NoteDeliveredContacts() {
    if (delivered_ < 0) return;
    for (b2Contact* c = world_.GetContactList(); c != nullptr; c = c->GetNext()) {
      if (!c->IsTouching()) continue;
      if (c->GetFixtureA()->GetBody() == bodies_[delivered_] ||
          c->GetFixtureB()->GetBody() == bodies_[delivered_]) {
        touched_ = true;
      }
    }
  }

  void RemoveStonesOffTheSheet() {
    for (int i = 0; i < 16; ++i) {
      b2Body* b = bodies_[i];
      if (b == nullptr || !moving_[i]) continue;
      const double x = b->GetPosition().x + kOriginX, y = b->GetPosition().y + kOriginY;
      if (x <= ref::kStoneRadius || x >= ref::kSheetWidth - ref::kStoneRadius ||
          y < ref::kBackLineY - ref::kStoneRadius) {
        world_.DestroyBody(b);
        bodies_[i] = nullptr;
      }
    }
  }

  const Box2dOptions& options_;
  b2World world_;
  GameState state_;   // as given
  GameState before_;  // the stones in play before the shot
  bool shot_valid_ = false;
  int delivered_ = -1;
  bool touched_ = false;  // the delivered stone touched another
  std::array<b2Body*, 16> bodies_{};
  std::array<int, 16> spin_{};
  std::array<bool, 16> guarded_{};
  std::array<bool, 16> moving_{};
};

}  // namespace

GameState PlayBox2d(const GameState& state, const ShotVector& shot, float random_error,
                    uint64_t& rng_state, const Box2dOptions& options) {
  Box2dShot play(state, options);
  play.Deliver(shot, random_error, rng_state);
  play.Run();
  return play.Result();
}

}  // namespace curling::bench
