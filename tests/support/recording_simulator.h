// A stand-in physics library for tests: same exports as libCurlingSimulator.so,
// with deterministic, easy-to-read behaviour, recording every call it gets.
//
//   CreateShot(aim)            -> {vx = aim.x, vy = aim.y, curl = aim.curl}
//   CreateHitShot(aim, power)  -> {vx = aim.x, vy = aim.y + 100 * power, curl}
//   Simulation(state, shot, e) -> unless a hook is set: if shot.vy < 100 (a
//                                 draw) stone ShotNum comes to rest at
//                                 (vx, vy); otherwise (a hit) the stones
//                                 within 0.29 of the hit aim are removed and
//                                 the delivered stone leaves play. ShotNum
//                                 advances by one.
//
// Tests load it with LoadSimulator(RecordingSimulatorPath()) and read the
// recorder through RecordingSimulator below.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "curling_simulator/records.h"

extern "C" {

enum RecordedCallKind : int32_t {
  kRecordedSimulation = 0,
  kRecordedCreateShot = 1,
  kRecordedCreateHitShot = 2
};

struct RecordedCall {
  int32_t kind;
  AimPoint aim;        // CreateShot / CreateHitShot
  float power;         // CreateHitShot
  ShotVector shot;     // Simulation: the delivery; shot exports: the result
  float random_error;  // Simulation
  GameState before;    // Simulation: the state passed in
};

// Replaces the default Simulation behaviour (null restores it). Called from
// whatever thread calls Simulation; must be thread-safe itself.
using SimulationHook = void (*)(GameState* state, ShotVector shot, float random_error);

}  // extern "C"

namespace curling::testing {

// Absolute path of the recording library built next to the tests.
std::string RecordingSimulatorPath();

// Access to the recorder of the loaded recording library. Load() binds the
// engine to it (LoadSimulator) and resets the record.
class RecordingSimulator {
 public:
  static void Load();
  static void Reset();  // clears the record and the hook
  static std::vector<RecordedCall> Calls();
  static int Count(RecordedCallKind kind);
  static void SetSimulationHook(SimulationHook hook);
  static void SetRecording(bool on);  // off: count only (for big searches)
  static long long TotalCalls();      // counted even when recording is off
};

}  // namespace curling::testing
