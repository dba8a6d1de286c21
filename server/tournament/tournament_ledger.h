// The bookkeeping of a tournament, apart from how its games are played: which
// game to play next, what a finished game counts for, and whether the
// tournament is over (every game played, the test decided, a fault, an
// interruption). The local runner (server/tournament/tournament.h) drives it
// from its threads under one lock; a runner that hands games to other machines
// drives it the same way from the rank that owns the outputs. Not thread-safe
// by itself.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "server/game/game_types.h"
#include "server/stats/standings.h"
#include "server/stats/tournament_tally.h"
#include "server/tournament/tournament_plan.h"
#include "server/tournament/tournament_schedule.h"

namespace curling::server {

// A game of the tournament as it ended: a value that can travel (JSON) from
// whoever played it to whoever keeps the books. `record` carries the game
// record (JSON Lines) when it was not written to the game's folder directly.
struct FinishedGame {
  int index = 0;
  GameResult result;
  std::string record;
};

nlohmann::json FinishedGameJson(const FinishedGame& game);
// Empty `error` on success.
FinishedGame FinishedGameFromJson(const nlohmann::json& j, std::string& error);

// The game's result seen from the engine in `a_seat`, counting only what was
// played on the ice (a start position's points and ends are left out of the
// end score difference).
stats::GameResult ResultForA(const GameResult& result, int a_seat,
                             const std::optional<GameStart>& start);

enum class TournamentStatus { kRunning, kCompleted, kSprtDecided, kFault, kInterrupted };
const char* TournamentStatusName(TournamentStatus status);

class TournamentLedger {
 public:
  explicit TournamentLedger(TournamentPlan plan);

  const TournamentSchedule& schedule() const { return schedule_; }

  // The next game nobody has been given yet, or nothing when none is left or
  // the tournament is over.
  std::optional<ScheduledGame> NextGame();

  enum class Counted { kYes, kNo };
  // Books a finished game. A game that ends after the tournament is over (the
  // test decided while it ran), a game booked before, an interrupted game and
  // a game lost by a fault that stops the tournament are not counted; the
  // last two end it.
  Counted Record(const FinishedGame& game);

  // Asks the tournament to end (Ctrl-C): no more games are handed out.
  void Interrupt();

  TournamentStatus status() const { return status_; }
  bool over() const { return status_ != TournamentStatus::kRunning; }
  const std::string& fault() const { return fault_; }
  int games_counted() const { return games_counted_; }

  stats::Standings Standings() const;

 private:
  void CheckSprt();
  // The books agree with themselves: the games counted are those the tallies
  // hold, and the status says what the counts and the fault say.
  bool BooksAddUp() const;

  const TournamentPlan plan_;
  TournamentSchedule schedule_;
  std::vector<stats::TournamentTally> tallies_;  // by pairing, A's view
  std::vector<char> given_;                      // by game: handed out or booked
  int next_ = 0;
  int games_counted_ = 0;
  TournamentStatus status_ = TournamentStatus::kRunning;
  std::string fault_;
};

}  // namespace curling::server
