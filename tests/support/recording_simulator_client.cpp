// Test-side access to the recording library loaded into this process.
#include <dlfcn.h>

#include <stdexcept>

#include "game/simulator_binding.h"
#include "tests/support/recording_simulator.h"

#ifndef CURLING_RECORDING_SIMULATOR_PATH
#error "CURLING_RECORDING_SIMULATOR_PATH must be defined by the build"
#endif

namespace curling::testing {
namespace {

void* Handle() {
  static void* handle = [] {
    void* h = dlopen(RecordingSimulatorPath().c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!h) throw std::runtime_error(dlerror());
    return h;
  }();
  return handle;
}

template <typename F>
F Symbol(const char* name) {
  void* p = dlsym(Handle(), name);
  if (!p) throw std::runtime_error(std::string("recording library lacks ") + name);
  return reinterpret_cast<F>(p);
}

}  // namespace

std::string RecordingSimulatorPath() {
  return CURLING_RECORDING_SIMULATOR_PATH;
}

void RecordingSimulator::Load() {
  std::string reason;
  if (!LoadSimulator(RecordingSimulatorPath(), reason)) throw std::runtime_error(reason);
  Reset();
}

void RecordingSimulator::Reset() {
  Symbol<void (*)()>("RecorderReset")();
}

std::vector<RecordedCall> RecordingSimulator::Calls() {
  const int n = Symbol<int (*)()>("RecorderCallCount")();
  std::vector<RecordedCall> calls(static_cast<size_t>(n));
  Symbol<void (*)(RecordedCall*, int)>("RecorderCopyCalls")(calls.data(), n);
  return calls;
}

int RecordingSimulator::Count(RecordedCallKind kind) {
  int n = 0;
  for (const auto& c : Calls())
    n += (c.kind == kind);
  return n;
}

void RecordingSimulator::SetSimulationHook(SimulationHook hook) {
  Symbol<void (*)(SimulationHook)>("RecorderSetHook")(hook);
}

void RecordingSimulator::SetRecording(bool on) {
  Symbol<void (*)(int)>("RecorderSetRecording")(on ? 1 : 0);
}

long long RecordingSimulator::TotalCalls() {
  return Symbol<long long (*)()>("RecorderTotalCalls")();
}

}  // namespace curling::testing
