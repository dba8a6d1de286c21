// Counter-based random numbers: every draw is a pure function of a 64-bit key
// and a draw index, so results never depend on thread scheduling and need no
// shared state.
#pragma once

#include <cmath>
#include <cstdint>

namespace curling::sim {

// Finaliser of the splitmix64 generator: a bijective 64-bit mixer.
inline uint64_t MixBits(uint64_t z) {
  z += 0x9e3779b97f4a7c15ULL;
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
  return z ^ (z >> 31);
}

// Combines a running hash with one more 64-bit word.
inline uint64_t HashCombine(uint64_t hash, uint64_t word) {
  return MixBits(hash ^ (word + 0x632be59bd9b4e019ULL + (hash << 6) + (hash >> 2)));
}

class CounterRandom {
 public:
  explicit CounterRandom(uint64_t key) : key_(key) {}

  uint64_t NextBits() { return MixBits(key_ ^ MixBits(++index_)); }

  // Uniform in (0, 1), never 0 or 1.
  double NextOpenUnit() {
    return (static_cast<double>(NextBits() >> 11) + 0.5) * (1.0 / 9007199254740992.0);
  }

  // Two independent standard normal draws (Box-Muller).
  void NextNormalPair(double& first, double& second) {
    const double u1 = NextOpenUnit();
    const double u2 = NextOpenUnit();
    const double r = std::sqrt(-2.0 * std::log(u1));
    const double angle = 6.283185307179586476925286766559 * u2;
    first = r * std::cos(angle);
    second = r * std::sin(angle);
  }

 private:
  uint64_t key_;
  uint64_t index_ = 0;
};

}  // namespace curling::sim
