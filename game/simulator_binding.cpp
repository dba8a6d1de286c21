#include "game/simulator_binding.h"

#include <atomic>
#include <cassert>

#include "curling_simulator/simulator_exports.h"
#include "game/dynamic_library.h"

namespace curling {
namespace {

SimulationFunction g_simulation = nullptr;
CreateShotFunction g_create_shot = nullptr;
CreateHitShotFunction g_create_hit_shot = nullptr;
using SetRandomSeedFunction = void (*)(uint64_t);
SetRandomSeedFunction g_set_random_seed = nullptr;     // optional export
SimulationBatchFunction g_simulation_batch = nullptr;  // optional export

// One cache line per counter, apart from the function pointers, so that the
// workers' increments do not slow down the pointer loads.
struct alignas(64) CallCounter {
  std::atomic<uint64_t> count{0};
  void Add(uint64_t calls = 1) { count.fetch_add(calls, std::memory_order_relaxed); }
  uint64_t Get() const { return count.load(std::memory_order_relaxed); }
};
CallCounter g_simulation_calls;
CallCounter g_create_shot_calls;
CallCounter g_create_hit_shot_calls;

}  // namespace

bool LoadSimulator(const std::string& path, std::string& reason) {
  void* library = OpenDynamicLibrary(path, reason);
  if (library == nullptr) return false;
  void* symbols[3] = {};
  const char* names[3] = {"Simulation", "CreateShot", "CreateHitShot"};
  for (int i = 0; i < 3; ++i) {
    symbols[i] = FindDynamicExport(library, names[i]);
    if (symbols[i] == nullptr) {
      reason = std::string(path) + ": missing export " + names[i];
      CloseDynamicLibrary(library);
      return false;
    }
  }
  g_simulation = reinterpret_cast<SimulationFunction>(symbols[0]);
  g_create_shot = reinterpret_cast<CreateShotFunction>(symbols[1]);
  g_create_hit_shot = reinterpret_cast<CreateHitShotFunction>(symbols[2]);
  g_set_random_seed =
      reinterpret_cast<SetRandomSeedFunction>(FindDynamicExport(library, "SetRandomSeed"));
  g_simulation_batch =
      reinterpret_cast<SimulationBatchFunction>(FindDynamicExport(library, "SimulationBatch"));
  return true;
}

int Simulation(GameState* state, ShotVector shot, float random_error, void* reserved,
               int reserved_flag) {
  assert(g_simulation != nullptr);
  g_simulation_calls.Add();
  return g_simulation(state, shot, random_error, reserved, reserved_flag);
}

void SimulateWithoutError(const GameState& state, const ShotVector* shots, int count,
                          GameState* results) {
  assert(g_simulation != nullptr);
  assert(count >= 0 && (count == 0 || (shots != nullptr && results != nullptr)));
  g_simulation_calls.Add(static_cast<uint64_t>(count));
  // A library that refuses the batch is asked one shot at a time.
  if (g_simulation_batch != nullptr && g_simulation_batch(&state, shots, count, results) == 1) {
    return;
  }
  for (int i = 0; i < count; ++i) {
    results[i] = state;
    g_simulation(&results[i], shots[i], 0.0f, nullptr, -1);
  }
}

int CreateShot(AimPoint aim, ShotVector* out) {
  assert(g_create_shot != nullptr);
  g_create_shot_calls.Add();
  return g_create_shot(aim, out);
}

int CreateHitShot(AimPoint aim, float power, ShotVector* out) {
  assert(g_create_hit_shot != nullptr);
  g_create_hit_shot_calls.Add();
  return g_create_hit_shot(aim, power, out);
}

LibraryCallCounts LibraryCalls() {
  LibraryCallCounts counts;
  counts.simulations = g_simulation_calls.Get();
  counts.create_shots = g_create_shot_calls.Get();
  counts.create_hit_shots = g_create_hit_shot_calls.Get();
  return counts;
}

bool SetLibraryRandomSeed(uint64_t seed) {
  if (g_set_random_seed == nullptr) return false;
  g_set_random_seed(seed);
  return true;
}

}  // namespace curling
