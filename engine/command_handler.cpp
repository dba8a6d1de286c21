#include "engine/command_handler.h"

#include <string>

#include "engine/command_words.h"
#include "engine/go_reply.h"
#include "engine/number_conversion.h"

namespace curling {
namespace {

// A command: its effect on `state`, its replies through `write`. `word` is
// scratch space for the words of `line`. False when an argument is missing.
using CommandFunction = bool (*)(GameState& state, const ReplyWriter& write, const char* line,
                                 std::string& word);

bool NewGame(GameState& state, const ReplyWriter&, const char*, std::string&) {
  state = GameState{};
  return true;
}

bool IsReady(GameState&, const ReplyWriter& write, const char*, std::string&) {
  write("READYOK");
  return true;
}

bool Position(GameState& state, const ReplyWriter&, const char* line, std::string& word) {
  for (int k = 0; k < 16; ++k) {
    if (!GetWord(word, line, 2 * k + 1)) return false;
    state.Stones[k].x = ParseCoordinate(word);
    if (!GetWord(word, line, 2 * k + 2)) return false;
    state.Stones[k].y = ParseCoordinate(word);
  }
  return true;
}

bool SetState(GameState& state, const ReplyWriter&, const char* line, std::string& word) {
  // Any integer is stored as given; readers of ShotNum bound their own walks.
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

bool Go(GameState& state, const ReplyWriter& write, const char*, std::string&) {
  AnswerGo(state, write);
  return true;
}

struct Command {
  const char* name;
  CommandFunction run;
};

constexpr Command kCommands[] = {
    {"NEWGAME", NewGame},   {"ISREADY", IsReady}, {"POSITION", Position},
    {"SETSTATE", SetState}, {"GO", Go},
};

}  // namespace

bool CommandHandler::Handle(char* line) {
  for (char* p = line; *p != '\0'; ++p) {
    if (*p == '\n' || *p == '\r') {
      *p = '\0';
      break;
    }
  }
  std::string word;
  GetWord(word, line, 0);
  for (const Command& command : kCommands) {
    if (EqualsIgnoringAsciiCase(word, command.name)) return command.run(state_, write_, line, word);
  }
  return true;
}

}  // namespace curling
