#include "engine/simulator_binding.h"

#include <dlfcn.h>

#include "engine/platform.h"
#include "sim/simulator_exports.h"

namespace curling {
namespace {

SimulationFunction g_simulation = nullptr;
CreateShotFunction g_create_shot = nullptr;
CreateHitShotFunction g_create_hit_shot = nullptr;

}  // namespace

bool LoadSimulator(const std::string& path, std::string& reason) {
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* error = dlerror();
    reason = error != nullptr ? error : "unknown loader error";
    return false;
  }
  void* symbols[3] = {};
  const char* names[3] = {"Simulation", "CreateShot", "CreateHitShot"};
  for (int i = 0; i < 3; ++i) {
    dlerror();
    symbols[i] = dlsym(handle, names[i]);
    if (symbols[i] == nullptr) {
      reason = std::string(path) + ": missing export " + names[i];
      dlclose(handle);
      return false;
    }
  }
  g_simulation = reinterpret_cast<SimulationFunction>(symbols[0]);
  g_create_shot = reinterpret_cast<CreateShotFunction>(symbols[1]);
  g_create_hit_shot = reinterpret_cast<CreateHitShotFunction>(symbols[2]);
  return true;
}

bool LoadSimulatorLibrary(std::string& reason) {
  std::string directory_reason;
  const std::string directory = ExecutableDirectory(directory_reason);
  std::string first_reason = directory_reason;
  if (!directory.empty()) {
    if (LoadSimulator(directory + kSimulatorLibraryName, first_reason)) return true;
  }
  std::string second_reason;
  if (LoadSimulator(kSimulatorLibraryName, second_reason)) return true;
  reason = first_reason + "; " + second_reason;
  return false;
}

int Simulation(GameState* state, ShotVector shot, float random_error, void* reserved,
               int reserved_flag) {
  return g_simulation(state, shot, random_error, reserved, reserved_flag);
}

int CreateShot(AimPoint aim, ShotVector* out) {
  return g_create_shot(aim, out);
}

int CreateHitShot(AimPoint aim, float power, ShotVector* out) {
  return g_create_hit_shot(aim, power, out);
}

}  // namespace curling
