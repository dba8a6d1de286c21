// A reproducible stream of random numbers for the strong search: a counter
// hashed with a key (splitmix64 mixing), so that any rollout can be replayed
// from its key alone, whatever thread runs it and in whatever order.
#pragma once

#include <cassert>
#include <cmath>
#include <cstdint>
#include <numbers>

namespace curling::strong {

// splitmix64's finaliser: a bijective mix of 64 bits.
inline uint64_t MixBits(uint64_t x) {
  x ^= x >> 30;
  x *= 0xbf58476d1ce4e5b9ULL;
  x ^= x >> 27;
  x *= 0x94d049bb133111ebULL;
  x ^= x >> 31;
  return x;
}

inline uint64_t CombineKeys(uint64_t key, uint64_t value) {
  return MixBits(key ^ (value + 0x9e3779b97f4a7c15ULL + (key << 6) + (key >> 2)));
}

class NoiseStream {
 public:
  explicit NoiseStream(uint64_t key) : key_(key) {}

  uint64_t NextBits() { return MixBits(key_ + 0x9e3779b97f4a7c15ULL * ++counter_); }

  // Uniform in [0, 1).
  double Uniform() { return static_cast<double>(NextBits() >> 11) * 0x1.0p-53; }

  // Uniform integer in [0, n), n > 0.
  int Below(int n) {
    assert(n > 0);
    return static_cast<int>(Uniform() * n);
  }

  // Standard normal (Box-Muller; one of the pair, the other is dropped so
  // that every draw costs the same number of counter steps).
  double Normal() {
    const double u = 1.0 - Uniform();  // (0, 1]
    const double v = Uniform();
    return std::sqrt(-2.0 * std::log(u)) * std::cos(2.0 * std::numbers::pi * v);
  }

 private:
  uint64_t key_;
  uint64_t counter_ = 0;
};

}  // namespace curling::strong
