#include "protocol/state_commands.h"

#include "protocol/command_words.h"
#include "protocol/number_conversion.h"

namespace curling::protocol {

bool ApplyPosition(GameState& state, const char* line, std::string& word) {
  for (int k = 0; k < 16; ++k) {
    if (!GetWord(word, line, 2 * k + 1)) return false;
    state.Stones[k].x = ParseCoordinate(word);
    if (!GetWord(word, line, 2 * k + 2)) return false;
    state.Stones[k].y = ParseCoordinate(word);
  }
  return true;
}

bool ApplySetState(GameState& state, const char* line, std::string& word) {
  if (!GetWord(word, line, 1)) return false;
  state.ShotNum = ParseInteger(word);
  if (!GetWord(word, line, 2)) return false;
  state.CurEnd = ParseInteger(word);
  if (!GetWord(word, line, 3)) return false;
  state.LastEnd = ParseInteger(word);
  if (!GetWord(word, line, 4)) return false;
  state.NextSide = ParseInteger(word) != 0 ? 1 : 0;
  return true;
}

}  // namespace curling::protocol
