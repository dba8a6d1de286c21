// The engine's command line and its bench mode. Without arguments the engine
// is the protocol program; with the single argument "bench" it plays a fixed
// set of positions through the real decision and reports the library calls
// made and the time taken, so that a change of behaviour shows as a changed
// call count.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "curling_simulator/records.h"

namespace curling {

// One position of the bench: a game state the decision is run on.
struct BenchPosition {
  const char* name;
  GameState state;
};

// The bench positions, always in the same order: openings, odd and even
// stone walks, a late hit, the fixed draws, and crowded shots 14 and 15.
const std::vector<BenchPosition>& BenchPositions();

// The library seed the bench fixes before its first decision.
inline constexpr unsigned kBenchSeed = 20260101;

// FNV-1a, 64 bits, of the replies in order: Fingerprint(kFingerprintStart,
// first) and so on.
inline constexpr uint64_t kFingerprintStart = 0xcbf29ce484222325ULL;
uint64_t Fingerprint(uint64_t hash, const std::string& text);

// Loads the library as the protocol program does; when it cannot, says so on
// standard error ("bench: cannot load ...") and returns false.
bool LoadBenchLibrary();

// The texts the engine answers "GO" with on `state`, back to back.
std::string AnswerText(const GameState& state);

// Loads the library as the protocol program does, fixes its seed, runs every
// bench position in order and prints one line per position (calls, time,
// reply), the calls by export, a fingerprint of all replies ("replies" and
// 16 hex digits) and, last, "bench: N library calls, T ms". Returns 0, or 1 when the library cannot
// be loaded (with the engine's usual load-error message).
int RunBench();

}  // namespace curling
