// Referees one game between two engine processes: starts them, checks that
// they are ready, asks for every shot, plays it through the physics library,
// scores the ends, and reports everything to its observers.
#pragma once

#include <atomic>
#include <functional>
#include <optional>
#include <vector>

#include "server/game/game_types.h"

namespace curling::server {

// Plays one delivery; the library's PlayShot in the program, a stand-in in tests.
using ShotPlayer = std::function<sim::ShotOutcome(const GameState&, const ShotVector&, float,
                                                  sim::RandomStream&, const sim::Rules&)>;

// The state sent to the engine for `shot` of `end` and played from.
//   CurEnd   0-based number of the end being played.
//   LastEnd  0-based number of the last end as now scheduled: ends - 1, or
//            the current end during an extra end.
//   Score[e] points of end e (e < 10) seen from seat 0: positive when the
//            first engine scored, negative when the second did, 0 blank.
//   NextSide the seat (0 or 1) of the engine about to throw.
// Not sent to engines (no command carries Score), but passed to the library.
// Before every "GO" the engine also gets the game's score and both thinking
// budgets seen from its own seat (protocol extensions that engines which do
// not know them ignore):
//   SCORE <own points> <opponent's points>
//   TIME <own seconds left> <opponent's seconds left>   (three decimals)
struct ProtocolState {
  static std::string PositionCommand(const GameState& state);
  static std::string SetStateCommand(const GameState& state);
  static std::string ScoreCommand(const std::array<int, 2>& total, int seat);
  static std::string TimeCommand(const std::array<double, 2>& seconds_left, int seat);
};

class Game {
 public:
  Game(GameConfig config, ShotPlayer player) : config_(std::move(config)), player_(player) {}

  void AddObserver(GameObserver* observer) { observers_.push_back(observer); }

  // Once `flag` is raised the game ends as interrupted, like on Ctrl-C.
  void set_stop_flag(const std::atomic<bool>* flag) { stop_flag_ = flag; }

  // Plays the game to its end and returns the result; the engines are
  // stopped and reaped before it returns.
  GameResult Play();

 private:
  using Sessions = std::array<EngineSession*, 2>;
  struct Progress;  // the game as played so far
  struct SeatFault {
    int seat;  // -1: nobody's fault (an interruption)
    Fault fault;
  };

  // An observer's failure as a seatless stop (seat -1), or nothing.
  std::optional<SeatFault> ObserverFailure() const;
  std::optional<SeatFault> StartEngines(const Sessions& sessions);
  std::optional<SeatFault> PlayEnd(const Sessions& sessions, Progress& game);
  std::optional<SeatFault> PlayTurn(EngineSession& engine, int seat, Progress& game);
  void ScoreTheEnd(Progress& game);
  GameResult CompletedResult(const Progress& game) const;
  GameResult LoseByFault(const SeatFault& fault, const Progress& game) const;
  GameResult Finish(GameResult result, const Sessions& sessions);

  GameConfig config_;
  ShotPlayer player_;
  std::vector<GameObserver*> observers_;
  const std::atomic<bool>* stop_flag_ = nullptr;
};

}  // namespace curling::server
