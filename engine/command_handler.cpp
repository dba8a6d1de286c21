#include "engine/command_handler.h"

#include <string>

#include "engine/command_words.h"
#include "engine/game_state.h"
#include "engine/number_conversion.h"
#include "engine/reply.h"
#include "search/decision.h"

namespace curling {
namespace {

int NewGame(const char*, std::string&) {
  g_game_state = GameState{};
  return 1;
}

int IsReady(const char*, std::string&) {
  WriteReply("READYOK");
  return 1;
}

int Position(const char* line, std::string& word) {
  for (int k = 0; k < 16; ++k) {
    if (!GetWord(word, line, 2 * k + 1)) return 0;
    g_game_state.Stones[k].x = ParseCoordinate(word);
    if (!GetWord(word, line, 2 * k + 2)) return 0;
    g_game_state.Stones[k].y = ParseCoordinate(word);
  }
  return 1;
}

int SetState(const char* line, std::string& word) {
  // Any integer is stored as given; readers of ShotNum bound their own walks.
  if (!GetWord(word, line, 1)) return 0;
  g_game_state.ShotNum = ParseInteger(word);
  if (!GetWord(word, line, 2)) return 0;
  g_game_state.CurEnd = ParseInteger(word);
  if (!GetWord(word, line, 3)) return 0;
  g_game_state.LastEnd = ParseInteger(word);
  if (!GetWord(word, line, 4)) return 0;
  g_game_state.NextSide = ParseInteger(word) != 0 ? 1 : 0;
  return 1;
}

int Go(const char*, std::string&) {
  DecideShot();
  return 1;
}

struct Command {
  const char* name;
  int (*run)(const char* line, std::string& word);
};

constexpr Command kCommands[] = {
    {"NEWGAME", NewGame},   {"ISREADY", IsReady}, {"POSITION", Position},
    {"SETSTATE", SetState}, {"GO", Go},
};

}  // namespace

int HandleCommand(char* line) {
  for (char* p = line; *p != '\0'; ++p) {
    if (*p == '\n' || *p == '\r') {
      *p = '\0';
      break;
    }
  }
  std::string word;
  GetWord(word, line, 0);
  for (const Command& command : kCommands) {
    if (EqualsIgnoringAsciiCase(word, command.name)) return command.run(line, word);
  }
  return 1;
}

}  // namespace curling
