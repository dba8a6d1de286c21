// One shot at a time: the inverse shots, simulate (through the C export on the
// library's own random stream, or through the C++ interface on an explicit
// one, with the shot's record on request) and the library-wide switches.
#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>
#include <string>

#include "curling_simulator/rink.h"
#include "curling_simulator/simulator.h"
#include "python/binding/arguments.h"
#include "python/binding/bindings.h"

namespace curling::python {
namespace {

// Mirrors the library's switch, which has no getter.
std::atomic<bool> library_free_guard_zone{true};

// What PlayShot recorded besides the final state.
struct ShotRecord {
  ShotVector played;
  std::vector<sim::StoneTrajectory> trajectories;
  std::vector<sim::ShotEvent> events;
};

// {stone: (k, 3) float32 array of t, x, y}
py::dict TrajectoryArrays(const ShotRecord& record) {
  py::dict out;
  for (const sim::StoneTrajectory& trajectory : record.trajectories) {
    const auto samples = static_cast<py::ssize_t>(trajectory.samples.size());
    py::array_t<float> points({samples, py::ssize_t{3}});
    float* p = points.mutable_data();
    for (const sim::TrajectorySample& s : trajectory.samples) {
      *p++ = s.t;
      *p++ = s.x;
      *p++ = s.y;
    }
    out[py::int_(trajectory.stone)] = std::move(points);
  }
  return out;
}

AimPoint AimAt(float x, float y, int curl) {
  return AimPoint{x, y, static_cast<uint8_t>(curl != 0 ? 1 : 0), {0, 0, 0}};
}

py::tuple CreateDraw(float x, float y, int curl) {
  ShotVector shot{};
  CreateShot(AimAt(x, y, curl), &shot);
  return ShotTuple(shot);
}

py::tuple CreateHit(float x, float y, float power, int curl) {
  ShotVector shot{};
  CreateHitShot(AimAt(x, y, curl), power, &shot);
  return ShotTuple(shot);
}

// Simulation's own stream: the library seed and this thread's call counter.
py::object SimulateOnLibraryStream(const GameState& state, const ShotVector& shot, float error,
                                   const py::object& free_guard_zone, bool record) {
  if (record) {
    throw py::value_error("record=True needs a seed: the library's own stream keeps no record");
  }
  if (FreeGuardZone(free_guard_zone) != library_free_guard_zone.load()) {
    throw py::value_error(
        "free_guard_zone needs a seed: without one the shot plays by "
        "set_free_guard_zone_rule");
  }
  GameState after = state;
  {
    py::gil_scoped_release release;
    Simulation(&after, shot, error, nullptr, -1);
  }
  return py::cast(after);
}

// The shot number one higher must still be a shot number.
void RequireNextShot(const GameState& state) {
  if (state.ShotNum == std::numeric_limits<int32_t>::max()) {
    throw py::value_error("state.shot must be below 2**31 - 1 to play a shot: the one after " +
                          std::to_string(state.ShotNum) + " has no number");
  }
}

// A record's samples need a positive interval (events are recorded anyway).
void RequireSampleInterval(double sample_interval) {
  if (!(std::isfinite(sample_interval) && sample_interval > 0.0)) {
    throw py::value_error("sample_interval must be a finite number of seconds above 0, got " +
                          py::repr(py::float_(sample_interval)).cast<std::string>());
  }
}

py::object Simulate(const GameState& state, const py::object& shot_value, float error,
                    const py::object& seed, uint64_t rng_stream, uint64_t counter,
                    const py::object& free_guard_zone, bool record, double sample_interval) {
  const ShotVector shot = ShotFrom(shot_value);
  RequireNextShot(state);
  if (seed.is_none()) return SimulateOnLibraryStream(state, shot, error, free_guard_zone, record);
  if (record) RequireSampleInterval(sample_interval);
  // A copy: another Python thread may write to `state` while the GIL is released.
  const GameState before = state;
  sim::RandomStream stream{SeedFrom(seed), rng_stream, counter};
  const sim::Rules rules{FreeGuardZone(free_guard_zone)};
  if (!record) {
    GameState after;
    {
      py::gil_scoped_release release;
      after = sim::PlayShotFinalState(before, shot, error, stream, rules);
    }
    return py::cast(after);
  }
  sim::ShotOutcome outcome;
  {
    py::gil_scoped_release release;
    // Narrowed within float range: an interval longer than any shot samples none.
    const float interval = static_cast<float>(
        std::min(sample_interval, static_cast<double>(std::numeric_limits<float>::max())));
    outcome = sim::PlayShot(before, shot, error, stream, rules, interval);
  }
  ShotRecord shot_record{outcome.played, std::move(outcome.trajectories),
                         std::move(outcome.events)};
  return py::make_tuple(outcome.final_state, std::move(shot_record));
}

void BindRecord(py::module_& m) {
  py::class_<sim::ShotEvent>(m, "ShotEvent", "Something that happened during a shot.")
      .def_property_readonly("kind",
                             [](const sim::ShotEvent& e) { return sim::EventKindName(e.kind); })
      .def_readonly("t", &sim::ShotEvent::t, "seconds since the release")
      .def_readonly("a", &sim::ShotEvent::a, "the stone")
      .def_readonly("b", &sim::ShotEvent::b, "the other stone of a collision, else -1")
      .def_readonly("x", &sim::ShotEvent::x)
      .def_readonly("y", &sim::ShotEvent::y)
      .def("__repr__", [](const sim::ShotEvent& e) {
        return std::string("ShotEvent(") + sim::EventKindName(e.kind) +
               ", t=" + std::to_string(e.t) + ", a=" + std::to_string(e.a) +
               ", b=" + std::to_string(e.b) + ")";
      });
  py::class_<ShotRecord>(m, "ShotRecord", "How a shot went: simulate(..., record=True).")
      .def_property_readonly(
          "played", [](const ShotRecord& r) { return ShotTuple(r.played); },
          "the delivery after the random error, (vx, vy, curl)")
      .def_property_readonly("trajectories", &TrajectoryArrays,
                             "{stone: (k, 3) float32 array of t, x, y} for every stone that moved")
      .def_readonly("events", &ShotRecord::events, "list of ShotEvent in time order");
}

}  // namespace

bool FreeGuardZone(const py::object& requested) {
  return requested.is_none() ? library_free_guard_zone.load() : requested.cast<bool>();
}

void BindShots(py::module_& m) {
  BindRecord(m);
  m.def("create_shot", &CreateDraw, py::arg("x"), py::arg("y"), py::arg("curl"), R"doc(
The delivery (vx, vy, curl) that comes to rest at (x, y) on an empty sheet;
curl 1 bends toward larger x. An aim that cannot be reached (or is not finite)
gives (0.0, 0.0, curl), a delivery that never enters play.)doc");
  m.def("create_hit_shot", &CreateHit, py::arg("x"), py::arg("y"), py::arg("power"),
        py::arg("curl"), R"doc(
The delivery (vx, vy, curl) that passes (x, y) with `power` metres still to run
on an empty sheet; power <= 0 is a draw to (x, y).)doc");
  m.def("simulate", &Simulate, py::arg("state"), py::arg("shot"),
        py::arg("error") = sim::kMatchRandomError, py::kw_only(), py::arg("seed") = py::none(),
        py::arg("rng_stream") = 0, py::arg("counter") = 0, py::arg("free_guard_zone") = py::none(),
        py::arg("record") = false, py::arg("sample_interval") = 0.05, R"doc(
Plays `shot` (vx, vy, curl) as stone state.shot with random delivery error of
standard deviation `error` metres and returns the new GameState (`state` is
not changed): every stone at rest or out of play at (0, 0), shot one higher.

Without a seed the error comes from the library's own stream, exactly as the
C export Simulation draws it (set_random_seed, and a call counter per thread).
With a seed it comes from the explicit stream (seed, rng_stream, counter) of
the C++ interface: the same arguments give the same result on any thread.
free_guard_zone (seeded calls only) overrides set_free_guard_zone_rule.
record=True (seeded calls only) returns (state, ShotRecord) with the
trajectories sampled every `sample_interval` s and at every event.)doc");
  m.def("set_random_seed", &SetRandomSeed, py::arg("seed"),
        "Seed of the library's own stream (unseeded simulate calls); 0 by default.");
  m.def(
      "set_free_guard_zone_rule",
      [](bool enabled) {
        library_free_guard_zone = enabled;
        SetFreeGuardZoneRule(enabled ? 1 : 0);
      },
      py::arg("enabled"),
      "Turns the five-rock free guard zone rule on (the default) or off, library-wide.");
  m.def(
      "free_guard_zone_rule", [] { return library_free_guard_zone.load(); },
      "Whether the library-wide free guard zone rule is on.");
}

}  // namespace curling::python
