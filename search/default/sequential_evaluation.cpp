#include "search/default/sequential_evaluation.h"

#include <cassert>

#include "search/default/candidate_generation.h"
#include "search/default/candidate_list.h"
#include "search/default/rating.h"

namespace curling {
namespace {

// Holds the thread's list for one search; a second search on the same thread
// before the first is done would clear the list under it.
class ListInUse {
 public:
  explicit ListInUse(bool& in_use) : in_use_(in_use) {
    assert(!in_use_);
    in_use_ = true;
  }
  ~ListInUse() { in_use_ = false; }
  ListInUse(const ListInUse&) = delete;
  ListInUse& operator=(const ListInUse&) = delete;

 private:
  bool& in_use_;
};

}  // namespace

float SearchSequential(const GameState& state, const SearchParameters& parameters,
                       ShotVector& best_shot) {
  // The look-ahead runs this once per top-level simulation; the list keeps
  // its capacity between calls on the same thread. Nothing calls back into a
  // search while it is in use.
  thread_local CandidateList list;
  thread_local bool list_in_use = false;
  const ListInUse hold(list_in_use);
  list.Clear();
  AppendSearchCandidates(state, parameters.grid_points, parameters.grid_width, false, list);
  RateCandidates(state, parameters.trials, parameters.random_error, list);
  float best;
  const int index = ChooseBestCandidate(list, best);
  assert(index < static_cast<int>(list.Size()));
  if (index >= 0) best_shot = list.shots[static_cast<std::size_t>(index)];
  return best;
}

float BestReplyScore(const GameState& outcome, int grid_points, float grid_width) {
  const SearchParameters reply{1.0f, grid_points, grid_width, 0.0f, false};
  ShotVector scratch{};
  return SearchSequential(outcome, reply, scratch);
}

}  // namespace curling
