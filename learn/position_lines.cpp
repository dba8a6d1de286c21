#include "learn/position_lines.h"

#include <cmath>
#include <fstream>
#include <sstream>

#include "game/rink.h"

namespace curling::learn {

bool ParseNumberLine(const std::string& line, float* numbers, int count, std::string& error) {
  std::istringstream in(line);
  for (int i = 0; i < count; ++i) {
    if (!(in >> numbers[i]) || !std::isfinite(numbers[i])) {
      error = "not " + std::to_string(count) + " numbers";
      return false;
    }
  }
  std::string rest;
  if (in >> rest) {
    error = "more than " + std::to_string(count) + " numbers";
    return false;
  }
  return true;
}

bool ParsePositionLine(const std::string& line, GameState& state, std::string& error) {
  constexpr int kNumbers = 1 + 2 * kStoneCount;
  float numbers[kNumbers];
  if (!ParseNumberLine(line, numbers, kNumbers, error)) return false;
  if (numbers[0] != std::floor(numbers[0]) || numbers[0] < 0 || numbers[0] >= kStoneCount) {
    error = "the shot number is not 0 to 15";
    return false;
  }
  state = GameState{};
  state.ShotNum = static_cast<int>(numbers[0]);
  for (int i = 0; i < kStoneCount; ++i)
    state.Stones[i] = {numbers[1 + 2 * i], numbers[2 + 2 * i]};
  return true;
}

bool ReadPositionFile(const std::string& path, int shot, std::vector<GameState>& positions,
                      std::string& error) {
  std::ifstream in(path);
  if (!in) {
    error = path + ": cannot be read";
    return false;
  }
  char buffer[kPositionLineLimit + 1];
  for (int number = 1;; ++number) {
    in.getline(buffer, sizeof buffer);
    if (in.eof() && in.gcount() == 0) return true;
    const std::string where = path + ":" + std::to_string(number) + ": ";
    if (in.fail() && !in.eof()) {
      error = where + "longer than " + std::to_string(kPositionLineLimit) + " characters";
      return false;
    }
    if (std::string(buffer).find_first_not_of(" \t\r") == std::string::npos) {
      if (in.eof()) return true;
      continue;  // a blank line
    }
    GameState state;
    if (!ParsePositionLine(buffer, state, error)) {
      error = where + error;
      return false;
    }
    if (shot < 0 || state.ShotNum == shot) positions.push_back(state);
    if (in.eof()) return true;
  }
}

}  // namespace curling::learn
