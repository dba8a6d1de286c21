// The C exports of the library.
#include <cmath>

#include "curling_simulator/simulator_exports.h"
#include "curling_simulator/version.h"
#include "sim/canonical_path.h"
#include "sim/inverse_shots.h"
#include "sim/library_config.h"
#include "sim/shot_simulation.h"

namespace {

using curling::sim::CanonicalPath;
using curling::sim::Delivery;

int WriteDelivery(bool solved, const Delivery& delivery, uint8_t curl, ShotVector* out) {
  *out = ShotVector{0.0f, 0.0f, curl, {0, 0, 0}};
  if (!solved) return 0;
  out->vx = static_cast<float>(delivery.speed * std::cos(delivery.heading));
  out->vy = static_cast<float>(delivery.speed * std::sin(delivery.heading));
  return 1;
}

curling::sim::Vec2 AimOffset(const AimPoint& aim) {
  return {static_cast<double>(aim.x) - curling::sim::kDeliveryX,
          static_cast<double>(aim.y) - curling::sim::kDeliveryY};
}

}  // namespace

extern "C" {

CURLING_SIM_API int Simulation(GameState* state, ShotVector shot, float random_error,
                               void* /*reserved*/, int /*reserved_flag*/) {
  if (state == nullptr) return 0;
  curling::sim::CounterRandom random(
      curling::sim::NextCallKey(curling::sim::HashSimulationInputs(*state, shot, random_error)));
  curling::sim::ShotOptions options;
  options.random_error = random_error;
  options.free_guard_zone = curling::sim::LibraryFreeGuardZone();
  curling::sim::SimulateShot(*state, shot, options, random, nullptr, nullptr);
  return 1;
}

CURLING_SIM_API int SimulationBatch(const GameState* state, const ShotVector* shots, int count,
                                    GameState* results) {
  if (count < 0 || (count > 0 && (state == nullptr || shots == nullptr || results == nullptr))) {
    return 0;
  }
  curling::sim::ShotOptions options;  // no random error: the stream is never drawn from
  options.free_guard_zone = curling::sim::LibraryFreeGuardZone();
  const curling::sim::PreparedPosition position =
      curling::sim::PreparePosition(*state, options, nullptr);
  curling::sim::CounterRandom unused(0);
  for (int i = 0; i < count; ++i) {
    results[i] = *state;
    curling::sim::PlayPreparedShot(position, results[i], shots[i], options, unused, nullptr,
                                   nullptr);
  }
  curling::sim::SkipCallKeys(static_cast<uint64_t>(count));
  return 1;
}

CURLING_SIM_API int CreateShot(AimPoint aim, ShotVector* out) {
  if (out == nullptr) return 0;
  const uint8_t curl = aim.curl != 0 ? 1 : 0;
  Delivery delivery{0.0, 0.0};
  const bool solved = curling::sim::SolveDelivery(CanonicalPath::Get(), AimOffset(aim), 0.0,
                                                  curl != 0 ? 1 : -1, delivery);
  return WriteDelivery(solved, delivery, curl, out);
}

CURLING_SIM_API int CreateHitShot(AimPoint aim, float power, ShotVector* out) {
  if (out == nullptr) return 0;
  const uint8_t curl = aim.curl != 0 ? 1 : 0;
  if (!std::isfinite(power)) return WriteDelivery(false, {0.0, 0.0}, curl, out);
  if (!(power > 0.0f)) return CreateShot(aim, out);
  Delivery delivery{0.0, 0.0};
  const double v_end = curling::sim::SpeedForRemainingRun(power);
  const bool solved = curling::sim::SolveDelivery(CanonicalPath::Get(), AimOffset(aim), v_end,
                                                  curl != 0 ? 1 : -1, delivery);
  return WriteDelivery(solved, delivery, curl, out);
}

CURLING_SIM_API void SetRandomSeed(uint64_t seed) {
  curling::sim::SetLibrarySeed(seed);
}

CURLING_SIM_API void SetFreeGuardZoneRule(int enabled) {
  curling::sim::SetLibraryFreeGuardZone(enabled != 0);
}

CURLING_SIM_API const char* CurlingSimulatorVersion(void) {
  return CURLING_SIMULATOR_VERSION;
}

}  // extern "C"
