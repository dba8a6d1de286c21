// What a game is played with and what it produces: configuration, the record
// of every shot and end, the result, and the observer interface through which
// the record writer and the scoreboard follow a game.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "curling_simulator/records.h"
#include "curling_simulator/rink.h"
#include "curling_simulator/simulator.h"
#include "server/game/end_scoring.h"
#include "server/seat/engine_session.h"

namespace curling::server {

// How one engine is launched and named, and the time it is given when it
// differs from the game's rules.
struct EngineCommand {
  std::string name;                     // shown on the scoreboard and in the record
  std::vector<std::string> argv;        // program and arguments, never run through a shell
  std::string stderr_log;               // file that receives the engine's stderr
  std::string working_folder{};         // where it runs (empty: the server's own)
  std::optional<double> time_budget{};  // thinking time per game instead of the rules'
  std::optional<double> shot_time{};    // a reply later than this after GO is a time loss
};

struct GameRules {
  int ends = 8;
  int extra_ends = 4;                    // extra ends played while tied, then a draw
  float error = sim::kMatchRandomError;  // random delivery error (standard deviation, m)
  double time_budget = 1800;             // thinking time per engine per game, seconds
  double ready_timeout = 10;             // seconds to answer ISREADY, and to read a command
  bool free_guard_zone = true;
};

// A game that starts part-way: in end `end` (0-based) before shot `shot`,
// with these stones (stone i thrown as shot i; (0, 0) out of play or not yet
// thrown), `first_seat` throwing first in that end, and `total` by seat.
struct GameStart {
  int end = 0;
  int shot = 0;
  int first_seat = 0;
  std::array<int, 2> total{};
  std::array<StonePosition, 16> stones{};
};

struct GameConfig {
  std::array<EngineCommand, 2> engines;  // seat 0 throws first in the first end
  GameRules rules;
  uint64_t seed = 0;
  uint64_t stream = 0;             // random stream of this game (games in parallel differ here)
  std::optional<GameStart> start;  // a set start position instead of end 1, shot 0
};

struct ShotRecord {
  int end = 0;
  int shot = 0;  // 0-15 within the end; the stone index
  int seat = 0;  // engine that threw
  GameState before{};
  ShotAnswer answer;
  sim::ShotOutcome outcome;
  double budget_left = 0;  // seconds of the engine's budget after this shot
};

struct EndRecord {
  int end = 0;
  int first_seat = 0;  // seat that threw first (owned the even stones)
  EndScore score;      // side relative to the end: 0 = first_seat
  int scoring_seat = -1;
  std::array<int, 2> total{};  // game score by seat after this end
};

enum class GameOutcome {
  kCompleted,    // played to a result on the ice (a win or a draw)
  kFault,        // an engine lost by a fault
  kInterrupted,  // stopped from outside; no result
};

struct GameResult {
  GameOutcome outcome = GameOutcome::kCompleted;
  int winner = -1;  // seat, or -1 for a draw / no result
  std::array<int, 2> total{};
  int ends_played = 0;
  int fault_seat = -1;
  Fault fault;
  std::string reason;  // one line saying how the game ended
  std::array<double, 2> thinking_seconds{};
};

// Follows a game as it is played. Every call comes from the game's thread.
class GameObserver {
 public:
  virtual ~GameObserver() = default;
  virtual void OnGameStart(const GameConfig&) {}
  virtual void OnShotStart(int /*end*/, int /*shot*/, int /*seat*/) {}
  virtual void OnShot(const ShotRecord&) {}
  virtual void OnEnd(const EndRecord&) {}
  virtual void OnResult(const GameResult&) {}
  // Why the observer can no longer follow the game (its record cannot be
  // written), or empty. The game then stops before the next turn.
  virtual std::string Failure() const { return {}; }
};

}  // namespace curling::server
