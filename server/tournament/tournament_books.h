// The books of a running tournament and everything written from them: the
// ledger (server/tournament/tournament_ledger.h), a line per finished game and
// the progress line on the runner's output, summary.json, summary.txt and
// index.html. Whoever owns the output folder keeps them: the local runner
// under its lock, the coordinator of a runner spread over machines from its
// one thread. Not thread-safe by itself.
#pragma once

#include <atomic>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "server/game/game.h"
#include "server/stats/standings.h"
#include "server/tournament/tournament_index.h"
#include "server/tournament/tournament_ledger.h"
#include "server/tournament/tournament_plan.h"
#include "server/tournament/tournament_watcher.h"

namespace curling::server {

struct TournamentOutcome {
  stats::Standings standings;
  TournamentStatus status = TournamentStatus::kRunning;
  std::string fault;  // the fault that stopped the tournament, if one did
  std::string error;  // the output could not be written
  bool interrupted() const { return status == TournamentStatus::kInterrupted; }
  // The two-engine summary (the only pairing's).
  const stats::TournamentSummary& summary() const { return standings.pairings.front().summary; }
};

// A game as the books took it in: read back from an interrupted run's folder
// (`resumed`) or just finished, counted or not. Its record is in its folder
// (GameFolder(plan.folder, scheduled.index)/game.jsonl).
struct BookedGame {
  const ScheduledGame& scheduled;
  const FinishedGame& finished;
  bool counted = false;
  bool resumed = false;
};

// Keeps games beyond the tournament's own files (the results database): told
// of every game the books take in, in their order, before the game is
// reported. Returns an empty string, or why the game could not be kept: the
// tournament then ends with that error, as when its files cannot be written.
class BookedGameListener {
 public:
  virtual ~BookedGameListener() = default;
  virtual std::string OnBooked(const BookedGame& game) = 0;
};

class TournamentBooks {
 public:
  // `listener` and `watcher` (either may be null) outlive the books.
  TournamentBooks(const TournamentPlan& plan, std::ostream& out,
                  BookedGameListener* listener = nullptr, TournamentWatcher* watcher = nullptr);

  // Books the games of an interrupted run read back from its folder.
  void BookResumed(const std::vector<FinishedGame>& finished);

  // The next game to play, or nothing when none is left or the tournament is
  // over (Ctrl-C ends it here).
  std::optional<ScheduledGame> NextGame();

  // Books a finished game, reports it and rewrites the files.
  void Book(const FinishedGame& game);

  // The output cannot be written: the tournament ends with `error`.
  void Fail(const std::string& error);
  void Interrupt() { ledger_.Interrupt(); }

  bool over() const { return ledger_.over(); }
  const TournamentLedger& ledger() const { return ledger_; }

  // Writes the final files and says how the tournament ended.
  TournamentOutcome Conclude();

 private:
  std::string GameLine(const ScheduledGame& g, const GameResult& result) const;
  void List(const ScheduledGame& g, const GameResult& result, bool counted);
  void Tell(const BookedGame& game);
  void Watch(const ScheduledGame& g);
  void WriteFiles(bool final_files);

  const TournamentPlan& plan_;
  std::ostream& out_;
  BookedGameListener* listener_;
  TournamentWatcher* watcher_;
  TournamentLedger ledger_;
  std::vector<std::optional<GameListing>> listings_;
  std::string error_;
};

// Plays one game of the tournament into its folder (GameFolder(plan.folder,
// game.index)): game.jsonl and the engines' logs. Ends as interrupted once
// `stop` is raised. Nothing, with `error` set, when the folder or the whole
// record cannot be written. `watcher` (may be null) is told of each record line.
std::optional<FinishedGame> PlayTournamentGame(const TournamentPlan& plan,
                                               const ScheduledGame& game, const ShotPlayer& player,
                                               const std::atomic<bool>* stop, std::string& error,
                                               TournamentWatcher* watcher = nullptr);

}  // namespace curling::server
