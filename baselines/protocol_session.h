// The protocol side of a baseline engine: the same commands and replies as
// curling-engine (NEWGAME, ISREADY -> READYOK, POSITION, SETSTATE,
// GO -> "BESTSHOT %f %f %d", no line ends), with the game state it keeps.
// Every line of a read is handled, in order; a read never continues a line
// of the read before it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "curling_simulator/records.h"

namespace curling::baselines {

// Chooses the delivery for the stone about to be thrown (state.ShotNum).
using ShotChooser = std::function<ShotVector(const GameState& state)>;

class ProtocolSession {
 public:
  explicit ProtocolSession(ShotChooser chooser) : chooser_(std::move(chooser)) {}

  // Handles every command in one read; returns the replies in order, each to
  // be written with a write of its own.
  std::vector<std::string> HandleRead(std::string_view bytes);

  const GameState& State() const { return state_; }

 private:
  void HandleLine(std::string_view line, std::vector<std::string>& replies);

  ShotChooser chooser_;
  GameState state_{};
};

// "BESTSHOT %f %f %d"; a non-finite speed is sent as 0 (a stone that never
// enters play) so the reply is always well formed.
std::string FormatBestShot(const ShotVector& shot);

// Reads standard input until it closes, writing the replies to standard
// output. Returns 0.
int RunProtocolLoop(ProtocolSession& session);

// Command-line options shared by the baselines: --seed N (the baseline's own
// random choices, default 1) and --samples N (simulations per candidate,
// where used, default `default_samples`). On a bad option prints the usage
// to standard error and returns false.
struct BaselineOptions {
  uint64_t seed = 1;
  int samples = 0;
};
bool ParseBaselineOptions(int argc, char** argv, int default_samples, BaselineOptions& options);

}  // namespace curling::baselines
