// The executable's own folder, where the engine looks for the physics
// library first.
#pragma once

#include <string>

namespace curling {

// The folder that holds the running executable (from /proc/self/exe), with a
// trailing slash. Empty when it cannot be found out; `reason` then says why.
std::string ExecutableDirectory(std::string& reason);

}  // namespace curling
