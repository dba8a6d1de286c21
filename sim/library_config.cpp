#include "sim/library_config.h"

#include <atomic>
#include <cstring>

#include "sim/counter_random.h"

namespace curling::sim {
namespace {

std::atomic<uint64_t> g_seed{0};
std::atomic<bool> g_free_guard_zone{true};
thread_local uint64_t t_call_counter = 0;

// Distinct constants keep the two kinds of keys apart.
constexpr uint64_t kCallDomain = 0x43414c4c5f4b4559ULL;
constexpr uint64_t kStreamDomain = 0x53545245414d4b59ULL;

uint64_t FloatBits(float f) {
  uint32_t bits;
  std::memcpy(&bits, &f, sizeof bits);
  return bits;
}

}  // namespace

void SetLibrarySeed(uint64_t seed) {
  g_seed.store(seed, std::memory_order_relaxed);
}
uint64_t LibrarySeed() {
  return g_seed.load(std::memory_order_relaxed);
}
void SetLibraryFreeGuardZone(bool enabled) {
  g_free_guard_zone.store(enabled, std::memory_order_relaxed);
}
bool LibraryFreeGuardZone() {
  return g_free_guard_zone.load(std::memory_order_relaxed);
}

// A multiply-rotate fold over the 32-bit words of the inputs, mixed at the end.
uint64_t HashSimulationInputs(const GameState& state, const ShotVector& shot, float random_error) {
  uint32_t words[3 + 10 + 1 + 32 + 4];
  int n = 0;
  words[n++] = static_cast<uint32_t>(state.ShotNum);
  words[n++] = static_cast<uint32_t>(state.CurEnd);
  words[n++] = static_cast<uint32_t>(state.LastEnd);
  for (int32_t score : state.Score)
    words[n++] = static_cast<uint32_t>(score);
  words[n++] = state.NextSide;
  for (const StonePosition& s : state.Stones) {
    words[n++] = static_cast<uint32_t>(FloatBits(s.x));
    words[n++] = static_cast<uint32_t>(FloatBits(s.y));
  }
  words[n++] = static_cast<uint32_t>(FloatBits(shot.vx));
  words[n++] = static_cast<uint32_t>(FloatBits(shot.vy));
  words[n++] = shot.curl;
  words[n++] = static_cast<uint32_t>(FloatBits(random_error));
  uint64_t h = 0x243f6a8885a308d3ULL;
  for (int i = 0; i < n; ++i) {
    h = (h ^ words[i]) * 0x9fb21c651e98df25ULL;
    h ^= h >> 29;
  }
  return MixBits(h ^ static_cast<uint64_t>(n));
}

uint64_t NextCallKey(uint64_t input_hash) {
  const uint64_t counter = t_call_counter++;
  return HashCombine(HashCombine(HashCombine(kCallDomain, LibrarySeed()), input_hash), counter);
}

uint64_t StreamKey(uint64_t seed, uint64_t stream, uint64_t counter) {
  return HashCombine(HashCombine(HashCombine(kStreamDomain, seed), stream), counter);
}

}  // namespace curling::sim
