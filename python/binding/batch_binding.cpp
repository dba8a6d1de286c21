// simulate_many: the batch call, with its arguments checked, the GIL released
// while C++ plays, and numpy arrays back.
#include <pybind11/numpy.h>

#include <string>
#include <vector>

#include "curling_simulator/rink.h"
#include "python/binding/arguments.h"
#include "python/binding/batch_simulation.h"
#include "python/binding/bindings.h"

namespace curling::python {
namespace {

constexpr int kMaxThreads = 256;

std::vector<ShotVector> ShotsFrom(const FloatArray& shots) {
  std::vector<ShotVector> out(static_cast<size_t>(shots.size() / 3));
  const float* v = shots.data();
  for (ShotVector& shot : out) {
    shot = ShotVector{v[0], v[1], static_cast<uint8_t>(v[2] != 0.0f ? 1 : 0), {0, 0, 0}};
    v += 3;
  }
  return out;
}

py::object SimulateMany(const GameState& state, const py::object& shots_value, int64_t n,
                        float error, const py::object& seed, int threads,
                        const py::object& free_guard_zone) {
  const FloatArray shots = RealArray(shots_value, "shots");
  const bool single = shots.ndim() == 1;
  RequireShape(shots, "shots", single ? 1 : 2, {3}, "(k, 3) or (3,): rows of vx, vy, curl");
  if (n < 0) throw py::value_error("n must be at least 0, got " + std::to_string(n));
  if (threads < 1 || threads > kMaxThreads) {
    throw py::value_error("threads must be 1 to 256, got " + std::to_string(threads));
  }
  const std::vector<ShotVector> deliveries = ShotsFrom(shots);
  const auto k = static_cast<py::ssize_t>(deliveries.size());
  py::array_t<float> stones({k, static_cast<py::ssize_t>(n), py::ssize_t{16}, py::ssize_t{2}});
  py::array_t<int32_t> counts({k, static_cast<py::ssize_t>(n)});

  BatchRequest request;
  request.state = state;
  request.shots = deliveries.data();
  request.shot_count = k;
  request.repeats = n;
  request.error = error;
  request.seed = SeedFrom(seed);
  request.rules = sim::Rules{FreeGuardZone(free_guard_zone)};
  request.threads = threads;
  auto* stone_data = reinterpret_cast<StonePosition*>(stones.mutable_data());
  int32_t* count_data = counts.mutable_data();
  {
    py::gil_scoped_release release;
    RunBatch(request, stone_data, count_data);
  }
  py::object result_type = py::module_::import("curling._curling").attr("BatchResult");
  if (single) return result_type(stones[py::int_(0)], counts[py::int_(0)]);
  return result_type(std::move(stones), std::move(counts));
}

}  // namespace

void BindBatch(py::module_& m) {
  m.attr("BatchResult") =
      py::module_::import("collections")
          .attr("namedtuple")("BatchResult", "stones score", py::arg("module") = "curling");
  m.def("simulate_many", &SimulateMany, py::arg("state"), py::arg("shots"), py::arg("n") = 1,
        py::arg("error") = sim::kMatchRandomError, py::arg("seed") = 0, py::kw_only(),
        py::arg("threads") = 1, py::arg("free_guard_zone") = py::none(), R"doc(
Plays every shot of `shots` (k, 3: vx, vy, curl per row) `n` times from
`state`, in C++ with the GIL released, and returns BatchResult(stones, score):
stones (k, n, 16, 2) float32, the stones after each delivery, and score (k, n)
int32, the curling count of each outcome for the side that threw it
(state.shot % 2). A single shot of shape (3,) gives (n, 16, 2) and (n,).

Delivery i of shot j draws its error from the stream (seed, j, i): it equals
simulate(state, shots[j], error, seed=seed, rng_stream=j, counter=i), and the
results do not depend on `threads` (1 to 256 worker threads, the calling one
included).)doc");
}

}  // namespace curling::python
