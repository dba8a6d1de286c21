#include "baselines/baseline_session.h"

#include <utility>

#include "protocol/best_shot_reply.h"
#include "protocol/descriptor_io.h"
#include "protocol/read_loop.h"

namespace curling::baselines {

protocol::Session MakeBaselineSession(ShotChooser chooser, protocol::ReplyWriter write) {
  return protocol::Session(
      std::move(write),
      [chooser = std::move(chooser)](const GameState& state, const protocol::ReplyWriter& reply) {
        protocol::WriteBestShot(reply, chooser(state));
      });
}

int RunBaseline(ShotChooser chooser) {
  protocol::IgnoreBrokenPipe();
  protocol::Session session = MakeBaselineSession(std::move(chooser), protocol::WriteReply);
  return protocol::RunReadLoop([&session](char* line) { session.Handle(line); });
}

}  // namespace curling::baselines
