// A scripted protocol conversation for engine authors: readiness, words in
// any letter case, position and state updates, "GO" at shots 0, 5, 14 and 15,
// and a clean exit when the input closes. Each step is reported as PASS or
// FAIL with what the engine sent.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace curling::server {

struct CheckSettings {
  double ready_timeout = 10;  // seconds for READYOK and for reading a command
  double go_timeout = 60;     // seconds for each answer to GO
};

// Returns true when every step passed.
bool RunComplianceCheck(const std::vector<std::string>& engine, const std::string& stderr_log,
                        const CheckSettings& settings, std::ostream& report);

}  // namespace curling::server
