#include "protocol/game_context.h"

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
  context.own_time_left = std::isfinite(seconds) ? std::optional<double>(seconds) : std::nullopt;
  return true;
}

}  // namespace curling::protocol
