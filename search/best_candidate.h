// The choice shared by every search: the first candidate, in list order,
// whose mean is strictly greater than every earlier one and than NoScore.
#pragma once

#include <cstddef>

namespace curling {

// Returns the index of the chosen mean and stores it in `best`, or returns -1
// and stores NoScore when no mean is above NoScore (or `count` is 0).
long ChooseBestCandidate(const float* means, std::size_t count, float& best);

}  // namespace curling
