// golden-set-dump: plays the pinned set of library results (support/
// golden_set.h) and prints every position, delivery and result as hex bytes,
// then the set's hash, so that two builds of the library (Linux and Windows)
// can be compared shot by shot (tests/windows/compare_golden_sets.py).
//   golden-set-dump [N]        one line per shot, then "hash 0x..."; N draws
//                              and N hits per stone count (default: the
//                              pinned 128; more for a wider comparison)
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "curling_simulator/simulator_exports.h"
#include "support/golden_set.h"

namespace {

std::string Hex(const void* data, size_t size) {
  static const char kDigits[] = "0123456789abcdef";
  const auto* p = static_cast<const unsigned char*>(data);
  std::string text;
  for (size_t i = 0; i < size; ++i) {
    text += kDigits[p[i] >> 4];
    text += kDigits[p[i] & 15];
  }
  return text;
}

void PrintResult(const std::vector<curling::golden::GoldenShot>& shots,
                 const curling::golden::GoldenResult& result) {
  const curling::golden::GoldenShot& shot = shots[result.index];
  std::printf("%s %zu input %s delivery %s result %s\n",
              result.through_play_shot ? "play" : "export", result.index,
              Hex(&shot.state, sizeof shot.state).c_str(), Hex(&shot.shot, 9).c_str(),
              Hex(&result.final_state, sizeof result.final_state).c_str());
}

}  // namespace

int main(int argc, char** argv) {
  const int scenes_per_set = argc > 1 ? std::atoi(argv[1]) : curling::golden::kPinnedScenesPerSet;
  if (argc > 2 || scenes_per_set < 1 || scenes_per_set > 1'000'000) {
    std::fputs("usage: golden-set-dump [scenes per set, 1 to 1000000]\n", stderr);
    return 2;
  }
  SetRandomSeed(curling::golden::kLibrarySeed);
  SetFreeGuardZoneRule(1);
  uint64_t hash = 0;
  // A thread of its own: its call counter starts at 0, as the pinned hash's.
  std::thread([&hash, scenes_per_set] {
    const std::vector<curling::golden::GoldenShot> shots =
        curling::golden::GoldenShots(scenes_per_set);
    hash = curling::golden::PlayGoldenSet(
        shots, [&shots](const curling::golden::GoldenResult& r) { PrintResult(shots, r); });
  }).join();
  std::printf("hash 0x%016" PRIX64 "\n", hash);
  return 0;
}
