#include "protocol/session.h"

#include <cassert>
#include <string>
#include <utility>

#include "protocol/command_words.h"
#include "protocol/state_commands.h"

namespace curling::protocol {

Session::Session(ReplyWriter write, GoAnswer go) : write_(std::move(write)), go_(std::move(go)) {
  assert(write_ && go_);
}

bool Session::Handle(char* line) {
  CutAtLineEnd(line);
  std::string word;
  GetWord(word, line, 0);
  if (EqualsIgnoringAsciiCase(word, "NEWGAME")) {
    state_ = GameState{};
  } else if (EqualsIgnoringAsciiCase(word, "ISREADY")) {
    write_("READYOK");
  } else if (EqualsIgnoringAsciiCase(word, "POSITION")) {
    return ApplyPosition(state_, line, word);
  } else if (EqualsIgnoringAsciiCase(word, "SETSTATE")) {
    return ApplySetState(state_, line, word);
  } else if (EqualsIgnoringAsciiCase(word, "GO")) {
    // SETSTATE stores a side as 0 or 1 only; the searches index by it.
    assert(state_.NextSide <= 1);
    go_(state_, write_);
  }
  return true;
}

}  // namespace curling::protocol
