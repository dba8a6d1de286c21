// Wall time of the engine's GO (DecideShot, the real decision with its eight
// search workers) against the real physics library, for shot 0, a mid-end
// shot with stones in play, and the crowded shot-14 and shot-15 positions
// that give the searches their most candidates (274 and 630). Counters give
// the library calls per decision and the search's candidate count.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "engine/bench_command.h"
#include "game/simulator_binding.h"
#include "search/default/decision.h"

namespace curling::bench {
namespace {

const BenchPosition& Find(const char* name) {
  for (const BenchPosition& position : BenchPositions()) {
    if (std::strcmp(position.name, name) == 0) return position;
  }
  std::fprintf(stderr, "decision_latency: no bench position \"%s\"\n", name);
  std::exit(1);
}

// CPU time of the whole process (every thread), in milliseconds.
double ProcessCpuMilliseconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) * 1e-6;
}

void BM_Go(benchmark::State& state, const char* name) {
  const BenchPosition& position = Find(name);
  // One decision outside the timing, for the candidate count.
  const Decision first = DecideShot(position.state);
  const LibraryCallCounts before = LibraryCalls();
  const double cpu_before = ProcessCpuMilliseconds();
  for (auto _ : state) {
    Decision decision = DecideShot(position.state);
    benchmark::DoNotOptimize(decision);
  }
  const double cpu_ms = ProcessCpuMilliseconds() - cpu_before;
  const LibraryCallCounts after = LibraryCalls();
  const double n = static_cast<double>(state.iterations());
  state.counters["simulations"] = static_cast<double>(after.simulations - before.simulations) / n;
  state.counters["library_calls"] = static_cast<double>(after.Total() - before.Total()) / n;
  // All threads' CPU time: on an idle machine with both cores free the wall
  // time approaches half of it; on a loaded one the wall time grows.
  state.counters["process_cpu_ms"] = cpu_ms / n;
  state.counters["candidates"] = first.candidates.value_or(0);
  state.SetLabel(name);
}

BENCHMARK_CAPTURE(BM_Go, shot0, "shot 0, empty sheet")
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_Go, mid_end, "shot 6, mid-end hit")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_Go, worst_shot14, "shot 14, crowded house")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(3.0);
BENCHMARK_CAPTURE(BM_Go, worst_shot15, "shot 15, crowded house")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);

}  // namespace
}  // namespace curling::bench

int main(int argc, char** argv) {
  std::string reason;
  if (!curling::LoadSimulator(CURLING_SIMULATOR_PATH, reason)) {
    std::fprintf(stderr, "decision_latency: %s\n", reason.c_str());
    return 1;
  }
  curling::SetLibraryRandomSeed(curling::kBenchSeed);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
