// The address the live view listens on: "[ADDR:]PORT", 127.0.0.1 unless an
// address is named.
#pragma once

#include <optional>
#include <string>

namespace curling::server::live {

struct LiveAddress {
  std::string host = "127.0.0.1";
  int port = 0;  // 0: any free port
};

// Nothing, with `error` set, when `text` is not [ADDR:]PORT with a port of
// 0 to 65535 (an IPv6 address in brackets: [::1]:8080).
std::optional<LiveAddress> ParseLiveAddress(const std::string& text, std::string& error);

}  // namespace curling::server::live
