// Shortest decimal text of a single-precision value that reads back exactly.
#pragma once

#include <string>

namespace curling::server {

std::string FloatText(float value);

// The double whose shortest text is FloatText(value): 4.88f becomes 4.88, so
// that records show short numbers and still read back to the same float.
double FloatAsShortDouble(float value);

}  // namespace curling::server
