#include "search/best_candidate.h"

#include "eval/rink.h"

namespace curling {

long ChooseBestCandidate(const float* means, std::size_t count, float& best) {
  best = NoScore;
  long index = -1;
  for (std::size_t i = 0; i < count; ++i) {
    if (means[i] > best) {
      best = means[i];
      index = static_cast<long>(i);
    }
  }
  return index;
}

}  // namespace curling
