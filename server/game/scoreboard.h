// The live scoreboard on the terminal: the shot being played, a line per end,
// the board of all ends at the close, and the final result line.
#pragma once

#include <array>
#include <ostream>
#include <string>
#include <vector>

#include "server/game/game_types.h"

namespace curling::server {

class Scoreboard : public GameObserver {
 public:
  // `live` rewrites one status line in place (for a terminal).
  Scoreboard(std::ostream& out, bool live) : out_(out), live_(live) {}

  void OnGameStart(const GameConfig& config) override;
  void OnShotStart(int end, int shot, int seat) override;
  void OnShot(const ShotRecord& shot) override;
  void OnEnd(const EndRecord& end) override;
  void OnResult(const GameResult& result) override;

  // The board: one row per engine, one column per end, and the totals.
  static std::string Board(const std::array<std::string, 2>& names,
                           const std::vector<EndRecord>& ends);

 private:
  void ClearStatus();

  std::ostream& out_;
  bool live_;
  bool status_shown_ = false;
  std::array<std::string, 2> names_;
  std::vector<EndRecord> ends_;
};

}  // namespace curling::server
