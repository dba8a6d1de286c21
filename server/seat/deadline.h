// Time arithmetic on the server's clock that cannot overflow, whatever
// duration an option or a caller asks for: waits are held at about 31 years
// (far beyond any game) and deadlines at the clock's last instant.
#pragma once

#include <chrono>
#include <cmath>

namespace curling::server {

using Clock = std::chrono::steady_clock;

// `seconds` rounded up to whole milliseconds, within [0, 1e12 ms]; NaN gives 0.
inline std::chrono::milliseconds MillisecondsFrom(double seconds) {
  constexpr double kMaxMilliseconds = 1e12;
  const double ms = std::ceil(seconds * 1000);
  if (!(ms > 0)) return std::chrono::milliseconds(0);
  return std::chrono::milliseconds(static_cast<long long>(std::fmin(ms, kMaxMilliseconds)));
}

// `from + wait`, or the clock's last instant when that lies beyond it.
inline Clock::time_point DeadlineAfter(Clock::time_point from, std::chrono::milliseconds wait) {
  using std::chrono::duration_cast;
  const auto room = duration_cast<std::chrono::milliseconds>(Clock::time_point::max() - from);
  if (wait >= room) return Clock::time_point::max();
  return from + duration_cast<Clock::duration>(wait);
}

inline Clock::time_point DeadlineAfter(std::chrono::milliseconds wait) {
  return DeadlineAfter(Clock::now(), wait);
}

}  // namespace curling::server
