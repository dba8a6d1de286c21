// The recording stand-in library (built as its own libCurlingSimulator.so).
#include "tests/support/recording_simulator.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <mutex>
#include <vector>

#define EXPORT extern "C" __attribute__((visibility("default")))

namespace {

std::mutex g_mutex;
std::vector<RecordedCall> g_calls;
std::atomic<bool> g_recording{true};
std::atomic<long long> g_total{0};
std::atomic<SimulationHook> g_hook{nullptr};

void Record(const RecordedCall& call) {
  g_total.fetch_add(1, std::memory_order_relaxed);
  if (!g_recording.load(std::memory_order_relaxed)) return;
  std::lock_guard<std::mutex> lock(g_mutex);
  g_calls.push_back(call);
}

void DefaultSimulation(GameState* state, ShotVector shot) {
  const int n = state->ShotNum;
  if (shot.vy < 100.0f) {
    if (n >= 0 && n < 16) state->Stones[n] = {shot.vx, shot.vy};
  } else {
    const float ax = shot.vx;
    const float ay = std::fmod(shot.vy, 100.0f);
    for (auto& s : state->Stones) {
      const float dx = s.x - ax, dy = s.y - ay;
      if (dx * dx + dy * dy < 0.29f * 0.29f) s = {0.0f, 0.0f};
    }
    if (n >= 0 && n < 16) state->Stones[n] = {0.0f, 0.0f};
  }
}

}  // namespace

EXPORT int Simulation(GameState* state, ShotVector shot, float random_error, void*, int) {
  RecordedCall call{};
  call.kind = kRecordedSimulation;
  call.shot = shot;
  call.random_error = random_error;
  call.before = *state;
  Record(call);
  if (SimulationHook hook = g_hook.load()) {
    hook(state, shot, random_error);
  } else {
    DefaultSimulation(state, shot);
  }
  state->ShotNum += 1;
  return 1;
}

EXPORT int CreateShot(AimPoint aim, ShotVector* out) {
  *out = ShotVector{aim.x, aim.y, aim.curl, {0, 0, 0}};
  RecordedCall call{};
  call.kind = kRecordedCreateShot;
  call.aim = aim;
  call.shot = *out;
  Record(call);
  return 1;
}

EXPORT int CreateHitShot(AimPoint aim, float power, ShotVector* out) {
  *out = ShotVector{aim.x, aim.y + 100.0f * power, aim.curl, {0, 0, 0}};
  RecordedCall call{};
  call.kind = kRecordedCreateHitShot;
  call.aim = aim;
  call.power = power;
  call.shot = *out;
  Record(call);
  return 1;
}

EXPORT void SetRandomSeed(uint64_t) {}
EXPORT void SetFreeGuardZoneRule(int) {}

EXPORT void RecorderReset() {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_calls.clear();
  g_total = 0;
  g_hook = nullptr;
  g_recording = true;
}
EXPORT int RecorderCallCount() {
  std::lock_guard<std::mutex> lock(g_mutex);
  return static_cast<int>(g_calls.size());
}
EXPORT void RecorderCopyCalls(RecordedCall* out, int max) {
  std::lock_guard<std::mutex> lock(g_mutex);
  const int n = std::min<int>(max, static_cast<int>(g_calls.size()));
  if (n > 0) std::memcpy(out, g_calls.data(), sizeof(RecordedCall) * n);
}
EXPORT void RecorderSetHook(SimulationHook hook) {
  g_hook = hook;
}
EXPORT void RecorderSetRecording(int on) {
  g_recording = on != 0;
}
EXPORT long long RecorderTotalCalls() {
  return g_total.load();
}
