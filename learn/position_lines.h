// Positions as text, one a line: the shot number (the stones thrown, 0 to
// 15) and the 16 stones' x and y in the order of GameState::Stones, as a
// game record keeps them ((0, 0): not in play). `curling-learn predict
// --positions` reads them, and `generate --played` learns from them.
#pragma once

#include <string>
#include <vector>

#include "curling_simulator/records.h"

namespace curling::learn {

// Longest line read; a longer one is refused, never held whole.
inline constexpr size_t kPositionLineLimit = 4096;

// `line` as exactly `count` finite numbers into `numbers`; false, with what
// is wrong, for anything else.
bool ParseNumberLine(const std::string& line, float* numbers, int count, std::string& error);

// `line` as a position; false, with what is wrong, for anything else.
bool ParsePositionLine(const std::string& line, GameState& state, std::string& error);

// Every position of `path` whose shot number is `shot` (-1: all), in file
// order (blank lines skipped); false, with FILE:LINE and what is wrong, when
// the file cannot be read or a line is not a position.
bool ReadPositionFile(const std::string& path, int shot, std::vector<GameState>& positions,
                      std::string& error);

}  // namespace curling::learn
