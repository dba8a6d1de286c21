#include "server/live/live_address.h"

#include <algorithm>
#include <cctype>

namespace curling::server::live {

std::optional<LiveAddress> ParseLiveAddress(const std::string& text, std::string& error) {
  LiveAddress address;
  std::string port = text;
  const size_t colon = text.rfind(':');
  if (colon != std::string::npos) {
    address.host = text.substr(0, colon);
    port = text.substr(colon + 1);
    if (address.host.size() > 2 && address.host.front() == '[' && address.host.back() == ']') {
      address.host = address.host.substr(1, address.host.size() - 2);
    }
    if (address.host.empty()) {
      error = "an address before ':' in " + text;
      return std::nullopt;
    }
  }
  const bool digits =
      !port.empty() && port.size() <= 5 &&
      std::all_of(port.begin(), port.end(), [](unsigned char c) { return std::isdigit(c) != 0; });
  if (!digits || std::stoi(port) > 65535) {
    error = "not a port (0 to 65535): " + port;
    return std::nullopt;
  }
  address.port = std::stoi(port);
  return address;
}

}  // namespace curling::server::live
