#include "engine/go_reply.h"

#include <cstdio>

namespace curling {
namespace {

// The texts are formatted into a buffer of their own, without allocating, so
// that the candidate count is written even while memory is short.
void WriteCandidateCount(const ReplyWriter& write, int candidates) {
  char text[64];
  std::snprintf(text, sizeof text, "ShotNum:%d", candidates);
  write(text);
}

void WriteMeanScore(const ReplyWriter& write, float mean) {
  char text[1024];
  std::snprintf(text, sizeof text, "MeanScore:%f", static_cast<double>(mean));
  write(text);
}

}  // namespace

void WriteBestShot(const ReplyWriter& write, const ShotVector& shot) {
  char text[1024];
  std::snprintf(text, sizeof text, "BESTSHOT %f %f %d", static_cast<double>(shot.vx),
                static_cast<double>(shot.vy), shot.curl != 0 ? 1 : 0);
  write(text);
}

Decision AnswerGo(const GameState& state, const ReplyWriter& write) {
  SearchCallbacks callbacks;
  callbacks.on_candidate_count = [&write](int candidates) {
    WriteCandidateCount(write, candidates);
  };
  const Decision decision = DecideShot(state, callbacks);
  if (decision.mean_score) WriteMeanScore(write, *decision.mean_score);
  WriteBestShot(write, decision.shot);
  return decision;
}

}  // namespace curling
