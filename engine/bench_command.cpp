#include "engine/bench_command.h"

#include <cassert>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string>

#include "engine/engine_main.h"
#include "engine/go_reply.h"
#include "engine/platform.h"
#include "game/simulator_binding.h"

namespace curling {
namespace {

// A stone in play: its number (the shot that threw it) and where it lies.
struct PlacedStone {
  int number;
  float x;
  float y;
};

// Stones not listed are out of play, at (0, 0).
GameState Position(int shot, std::initializer_list<PlacedStone> stones) {
  GameState state{};
  state.ShotNum = shot;
  state.LastEnd = 10;
  for (const PlacedStone& stone : stones) {
    if (stone.number >= 0 && stone.number < 16) state.Stones[stone.number] = {stone.x, stone.y};
  }
  return state;
}

// Stones 0 to 13 in two rows of seven behind the tee, every one below the
// freeze line (y 4.59): the most candidates a shot-14 search can have. At
// shot 15 stone 14 lies in the house in front of them.
GameState CrowdedHouse(int shot) {
  GameState state = Position(shot, {});
  for (int k = 0; k < 14; ++k) {
    state.Stones[k] = {0.6f + 0.55f * static_cast<float>(k % 7), k < 7 ? 3.6f : 4.3f};
  }
  if (shot > 14) state.Stones[14] = {2.375f, 5.2f};
  return state;
}

// Stone k belongs to side k % 2; the side to throw is ShotNum % 2.
std::vector<BenchPosition> MakePositions() {
  return {
      {"shot 0, empty sheet", Position(0, {})},
      {"shot 1, centre guard taken", Position(1, {{0, 2.375f, 7.0f}})},
      {"shot 3, opponent stone on the tee", Position(3, {{0, 2.40f, 4.95f}, {1, 2.2f, 7.3f}})},
      {"shot 5, own stone nearest the tee",
       Position(5, {{0, 3.1f, 5.6f}, {1, 2.30f, 4.70f}, {2, 1.2f, 7.8f}})},
      {"shot 6, mid-end hit", Position(6, {{0, 2.0f, 5.2f},
                                           {1, 2.6f, 4.3f},
                                           {2, 3.0f, 3.5f},
                                           {3, 1.8f, 7.5f},
                                           {4, 2.375f, 8.0f}})},
      {"shot 8, guard on an own stone",
       Position(8, {{0, 2.5f, 4.6f}, {1, 1.7f, 8.5f}, {4, 1.0f, 3.4f}, {5, 3.2f, 9.0f}})},
      {"shot 10, fixed draws behind guards",
       Position(10, {{0, 2.375f, 7.0f}, {1, 1.8f, 8.0f}, {2, 3.0f, 7.6f}})},
      {"shot 12, late hit behind the tee", Position(12, {{1, 2.2f, 4.1f},
                                                         {2, 2.375f, 7.2f},
                                                         {3, 3.5f, 8.0f},
                                                         {5, 1.3f, 6.9f},
                                                         {8, 3.4f, 5.5f}})},
      {"shot 14, crowded house", CrowdedHouse(14)},
      {"shot 15, crowded house", CrowdedHouse(15)},
      {"shot 15, open house", Position(15, {{0, 2.375f, 7.1f},
                                            {1, 2.5f, 4.8f},
                                            {3, 1.9f, 5.4f},
                                            {6, 3.0f, 8.2f},
                                            {10, 2.2f, 3.7f}})},
  };
}

void Print(const std::string& line) {
  std::fputs(line.c_str(), stdout);
  std::fflush(stdout);
}

double MillisecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

}  // namespace

uint64_t Fingerprint(uint64_t hash, const std::string& text) {
  for (unsigned char c : text) {
    hash ^= c;
    hash *= 0x100000001b3ULL;
  }
  return hash;
}

const std::vector<BenchPosition>& BenchPositions() {
  static const std::vector<BenchPosition> positions = MakePositions();
  return positions;
}

std::string AnswerText(const GameState& state) {
  std::string text;
  AnswerGo(state, [&text](const char* reply) { text += reply; });
  return text;
}

bool LoadBenchLibrary() {
  std::string reason;
  if (LoadSimulatorLibrary(reason)) return true;
  std::fprintf(stderr, "bench: cannot load %s: %s\n", kSimulatorLibraryName, reason.c_str());
  return false;
}

int RunBench() {
  if (!LoadBenchLibrary()) return 1;
  if (SetLibraryRandomSeed(kBenchSeed)) {
    Print("library seed " + std::to_string(kBenchSeed) + "\n");
  } else {
    Print("library has no SetRandomSeed export: random draws and the call count may vary\n");
  }
  const LibraryCallCounts before = LibraryCalls();
  const auto start = std::chrono::steady_clock::now();
  char line[512];
  uint64_t replies = kFingerprintStart;
  for (const BenchPosition& position : BenchPositions()) {
    const uint64_t calls_before = LibraryCalls().Total();
    const auto position_start = std::chrono::steady_clock::now();
    const std::string reply = AnswerText(position.state);
    const double ms = MillisecondsSince(position_start);
    replies = Fingerprint(replies, reply + "\n");
    const int length = std::snprintf(
        line, sizeof line, "%-36s %8llu calls %9.1f ms  %s\n", position.name,
        static_cast<unsigned long long>(LibraryCalls().Total() - calls_before), ms, reply.c_str());
    assert(length > 0 && static_cast<size_t>(length) < sizeof line && "a bench line cut short");
    (void)length;
    Print(line);
  }
  const double total_ms = MillisecondsSince(start);
  const LibraryCallCounts after = LibraryCalls();
  std::snprintf(line, sizeof line,
                "Simulation %llu, CreateShot %llu, CreateHitShot %llu\n"
                "replies %016llx\n"
                "bench: %llu library calls, %.0f ms\n",
                static_cast<unsigned long long>(after.simulations - before.simulations),
                static_cast<unsigned long long>(after.create_shots - before.create_shots),
                static_cast<unsigned long long>(after.create_hit_shots - before.create_hit_shots),
                static_cast<unsigned long long>(replies),
                static_cast<unsigned long long>(after.Total() - before.Total()), total_ms);
  Print(line);
  return 0;
}

}  // namespace curling
