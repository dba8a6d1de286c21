#include "protocol/game_context.h"

#include <algorithm>
#include <cmath>

#include "protocol/command_words.h"
#include "protocol/number_conversion.h"

namespace curling::protocol {

bool ApplyScore(GameContext& context, const char* line, std::string& word) {
  std::string opponent;
  if (!GetWord(word, line, 1) || !GetWord(opponent, line, 2)) return false;
  context.own_points = ParseInteger(word);
  context.opponent_points = ParseInteger(opponent);
  return true;
}

bool ApplyTime(GameContext& context, const char* line, std::string& word) {
  if (!GetWord(word, line, 1)) return false;
  const double seconds = ParseCoordinate(word);
  if (!StartsWithNumber(word) || !std::isfinite(seconds)) {
    context.own_time_left = std::nullopt;
  } else {
    context.own_time_left = std::max(0.0, seconds);
  }
  return true;
}

}  // namespace curling::protocol
