// A shot-selection suite: positions, each asked in one game context, judged
// by one objective, and (once solved) the best delivery found with its value.
// The file format is in docs/suites.md; suite_file.h reads and writes it.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "curling_simulator/records.h"
#include "curling_simulator/rink.h"
#include "suite/win_table.h"

namespace curling::suite {

// How an end's result is judged for the side to throw: its count (points,
// -8 to 8) or its chance to win the game after the end (win table).
enum class Objective { kPoints, kWin };

const char* ObjectiveName(Objective objective);

// The game around the stones, seen from the side to throw.
struct GameContext {
  int end = 0;       // 0-based end being played
  int last_end = 0;  // 0-based last end of the game; at least `end`
  int own_score = 0;
  int opponent_score = 0;

  int lead() const { return own_score - opponent_score; }
  int ends_left_after() const { return last_end - end; }
  bool operator==(const GameContext&) const = default;
};

// What a delivery was made as: its kind and the target it was made for.
//   draw       rest point (x, y) without other stones (power 0)
//   hit        passes (x, y) with `power` metres still to run
//   throw-away a delivery that stops short of the hog line
//   engine     an engine's answer (no target known)
struct Delivery {
  ShotVector shot{};
  std::string kind;
  float x = 0.0f;
  float y = 0.0f;
  float power = 0.0f;
};

struct RatedDelivery {
  Delivery delivery;
  double value = 0.0;
  double standard_error = 0.0;
};

struct Answer {
  RatedDelivery best;
  std::vector<RatedDelivery> runners_up;  // the best of other kinds
  int samples = 0;                        // samples behind every value
};

struct SuitePosition {
  int line = 0;  // 1-based line of the file it came from (0: not read from a file)
  std::string id;
  std::array<StonePosition, 16> stones{};
  int shot = 15;
  GameContext context;
  Objective objective = Objective::kWin;
  std::vector<std::string> tags;  // kinds of position ("crowded", "shot-own", ...)
  std::optional<Answer> answer;
};

// What every position of the suite is played under.
struct SuiteHeader {
  std::string name;
  float error = sim::kMatchRandomError;  // delivery error (standard deviation, m)
  bool free_guard_zone = true;
  uint64_t seed = 1;  // names the random streams of every sample
  WinTable win_table = WinTable::FromEngine();
  std::string solved_by;  // the command that solved it ("" before)
};

struct Suite {
  SuiteHeader header;
  std::vector<SuitePosition> positions;
};

// The library's state for a position: stones, shot, end and last end.
GameState StateOf(const SuitePosition& position);

// Positions with the same stones and shot share every simulation.
bool SameStones(const SuitePosition& a, const SuitePosition& b);

}  // namespace curling::suite
