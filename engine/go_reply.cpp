#include "engine/go_reply.h"

#include <cassert>
#include <cstdio>

#include "protocol/best_shot_reply.h"

namespace curling {
namespace {

// The texts are formatted into a buffer of their own, without allocating, so
// that the candidate count is written even while memory is short.
void WriteCandidateCount(const protocol::ReplyWriter& write, int candidates) {
  char text[64];
  const int length = std::snprintf(text, sizeof text, "ShotNum:%d", candidates);
  assert(length > 0 && static_cast<size_t>(length) < sizeof text);
  (void)length;
  write(text);
}

void WriteMeanScore(const protocol::ReplyWriter& write, float mean) {
  // The largest float has 39 digits before the point: the text fits.
  char text[1024];
  const int length = std::snprintf(text, sizeof text, "MeanScore:%f", static_cast<double>(mean));
  assert(length > 0 && static_cast<size_t>(length) < sizeof text);
  (void)length;
  write(text);
}

}  // namespace

Decision AnswerGo(const GameState& state, const protocol::ReplyWriter& write) {
  SearchCallbacks callbacks;
  callbacks.on_candidate_count = [&write](int candidates) {
    WriteCandidateCount(write, candidates);
  };
  const Decision decision = DecideShot(state, callbacks);
  if (decision.mean_score) WriteMeanScore(write, *decision.mean_score);
  protocol::WriteBestShot(write, decision.shot);
  return decision;
}

}  // namespace curling
