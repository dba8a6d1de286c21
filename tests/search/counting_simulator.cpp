// Test-only pass-through to the real physics library that counts the calls
// it forwards, so that a search's library traffic can be measured. Built as
// libCountingSimulator.so; the engine binds it like the real library.
#include <dlfcn.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "sim/simulator_exports.h"

#ifndef CURLING_REAL_SIMULATOR_PATH
#error "CURLING_REAL_SIMULATOR_PATH must be defined by the build"
#endif

#define EXPORT extern "C" __attribute__((visibility("default")))

namespace {

std::atomic<long long> g_simulations{0};
std::atomic<long long> g_create_shots{0};
std::atomic<long long> g_create_hit_shots{0};

template <typename F>
F Forward(const char* name) {
  static void* handle = dlopen(CURLING_REAL_SIMULATOR_PATH, RTLD_NOW | RTLD_LOCAL);
  void* symbol = handle != nullptr ? dlsym(handle, name) : nullptr;
  if (symbol == nullptr) {
    std::fprintf(stderr, "counting simulator: cannot bind %s in %s\n", name,
                 CURLING_REAL_SIMULATOR_PATH);
    std::abort();
  }
  return reinterpret_cast<F>(symbol);
}

}  // namespace

EXPORT int Simulation(GameState* state, ShotVector shot, float random_error, void* reserved,
                      int reserved_flag) {
  static const SimulationFunction real = Forward<SimulationFunction>("Simulation");
  g_simulations.fetch_add(1, std::memory_order_relaxed);
  return real(state, shot, random_error, reserved, reserved_flag);
}

EXPORT int CreateShot(AimPoint aim, ShotVector* out) {
  static const CreateShotFunction real = Forward<CreateShotFunction>("CreateShot");
  g_create_shots.fetch_add(1, std::memory_order_relaxed);
  return real(aim, out);
}

EXPORT int CreateHitShot(AimPoint aim, float power, ShotVector* out) {
  static const CreateHitShotFunction real = Forward<CreateHitShotFunction>("CreateHitShot");
  g_create_hit_shots.fetch_add(1, std::memory_order_relaxed);
  return real(aim, power, out);
}

// counts[0] Simulation, counts[1] CreateShot, counts[2] CreateHitShot.
EXPORT void CountingTotals(long long* counts) {
  counts[0] = g_simulations.load();
  counts[1] = g_create_shots.load();
  counts[2] = g_create_hit_shots.load();
}

EXPORT void CountingReset() {
  g_simulations = 0;
  g_create_shots = 0;
  g_create_hit_shots = 0;
}
