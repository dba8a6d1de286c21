// The default engine's side of the protocol: the commands every engine of
// ours reads (protocol::Session), GO answered by the move decision
// (AnswerGo). It owns the one game state of the conversation.
#pragma once

#include <utility>

#include "curling_simulator/records.h"
#include "engine/go_reply.h"
#include "protocol/reply.h"
#include "protocol/session.h"

namespace curling {

class CommandHandler {
 public:
  explicit CommandHandler(protocol::ReplyWriter write)
      : session_(std::move(write), [](const GameState& state, const protocol::ReplyWriter& reply) {
          AnswerGo(state, reply);
        }) {}

  // One command line, as protocol::Session::Handle reads it.
  bool Handle(char* line) { return session_.Handle(line); }

  const GameState& state() const { return session_.state(); }

 private:
  protocol::Session session_;
};

}  // namespace curling
