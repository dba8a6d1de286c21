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

// A multiply-xorshift fold over 64-bit words of the inputs, mixed at the end.
uint64_t HashSimulationInputs(const GameState& state, const ShotVector& shot, float random_error) {
  auto pack = [](uint32_t high, uint32_t low) { return static_cast<uint64_t>(high) << 32 | low; };
  uint64_t h = 0x243f6a8885a308d3ULL;
  auto fold = [&h](uint64_t word) {
    h = (h ^ word) * 0x9fb21c651e98df25ULL;
    h ^= h >> 29;
  };
  fold(pack(static_cast<uint32_t>(state.ShotNum), static_cast<uint32_t>(state.CurEnd)));
  fold(pack(static_cast<uint32_t>(state.LastEnd), state.NextSide));
  for (int i = 0; i < 10; i += 2) {
    fold(pack(static_cast<uint32_t>(state.Score[i]), static_cast<uint32_t>(state.Score[i + 1])));
  }
  for (const StonePosition& s : state.Stones) {
    fold(pack(static_cast<uint32_t>(FloatBits(s.x)), static_cast<uint32_t>(FloatBits(s.y))));
  }
  fold(pack(static_cast<uint32_t>(FloatBits(shot.vx)), static_cast<uint32_t>(FloatBits(shot.vy))));
  fold(pack(shot.curl, static_cast<uint32_t>(FloatBits(random_error))));
  return MixBits(h);
}

uint64_t NextCallKey(uint64_t input_hash) {
  const uint64_t counter = t_call_counter++;
  return HashCombine(HashCombine(HashCombine(kCallDomain, LibrarySeed()), input_hash), counter);
}

void SkipCallKeys(uint64_t calls) {
  t_call_counter += calls;
}

uint64_t StreamKey(uint64_t seed, uint64_t stream, uint64_t counter) {
  return HashCombine(HashCombine(HashCombine(kStreamDomain, seed), stream), counter);
}

}  // namespace curling::sim
