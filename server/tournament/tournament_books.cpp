#include "server/tournament/tournament_books.h"

#include <algorithm>
#include <cassert>
#include <fstream>

#include <fmt/format.h>

#include "server/game/game_record.h"
#include "server/seat/interruption.h"
#include "server/text/safe_files.h"

namespace curling::server {

namespace fs = std::filesystem;

namespace {

// Hands the lines of one game's record to the tournament's watcher.
class GameLineRelay : public RecordLineListener {
 public:
  GameLineRelay(TournamentWatcher* watcher, int index) : watcher_(watcher), index_(index) {}
  void OnRecordLine(const std::string& text) override { watcher_->OnGameLine(index_, text); }

 private:
  TournamentWatcher* watcher_;
  int index_;
};

}  // namespace

TournamentBooks::TournamentBooks(const TournamentPlan& plan, std::ostream& out,
                                 BookedGameListener* listener, TournamentWatcher* watcher)
    : plan_(plan), out_(out), listener_(listener), watcher_(watcher), ledger_(plan) {
  listings_.resize(static_cast<size_t>(ledger_.schedule().total_games()));
  if (watcher_) {
    watcher_->OnTournamentStart(plan_);
    watcher_->OnStandings(ledger_.Standings());
  }
}

void TournamentBooks::BookResumed(const std::vector<FinishedGame>& finished) {
  // The games read back come first, before any game is played, each once and
  // in order (as ReadFinishedGames gives them).
  assert(ledger_.games_counted() == 0);
  assert(std::adjacent_find(finished.begin(), finished.end(),
                            [](const FinishedGame& a, const FinishedGame& b) {
                              return a.index >= b.index;
                            }) == finished.end());
  for (const FinishedGame& game : finished) {
    const ScheduledGame g = ledger_.schedule().Game(game.index);
    const bool counted = ledger_.Record(game) == TournamentLedger::Counted::kYes;
    Tell({g, game, counted, true});
    List(g, game.result, counted);
    Watch(g);
  }
  if (watcher_ && !finished.empty()) watcher_->OnStandings(ledger_.Standings());
  if (!finished.empty()) {
    out_ << fmt::format("Resumed: {} finished games read back, {} counted\n", finished.size(),
                        ledger_.games_counted())
         << stats::FormatStandingsProgress(ledger_.Standings()) << std::endl;
  }
}

std::optional<ScheduledGame> TournamentBooks::NextGame() {
  if (InterruptRequested()) ledger_.Interrupt();
  return ledger_.NextGame();
}

void TournamentBooks::Book(const FinishedGame& game) {
  const ScheduledGame g = ledger_.schedule().Game(game.index);
  const bool was_over = ledger_.over();
  const bool counted = ledger_.Record(game) == TournamentLedger::Counted::kYes;
  // A game that ends once the tournament is over is never counted.
  assert(!(was_over && counted));
  Tell({g, game, counted, false});
  List(g, game.result, counted);
  // Games cut short because the tournament ended are not news.
  if (!was_over && game.result.outcome != GameOutcome::kInterrupted) {
    out_ << GameLine(g, game.result) << '\n';
    if (!counted) out_ << "game " << g.index + 1 << ": tournament stopped\n";
  }
  if (counted && (ledger_.games_counted() % plan_.report_every == 0 || ledger_.over())) {
    out_ << stats::FormatStandingsProgress(ledger_.Standings()) << '\n';
  }
  out_.flush();
  if (counted || !was_over) WriteFiles(false);
  if (!(was_over && game.result.outcome == GameOutcome::kInterrupted)) Watch(g);
}

void TournamentBooks::Fail(const std::string& error) {
  error_ = error;
  ledger_.Interrupt();
}

void TournamentBooks::Tell(const BookedGame& game) {
  if (!listener_) return;
  if (std::string why = listener_->OnBooked(game); !why.empty()) Fail(why);
}

void TournamentBooks::Watch(const ScheduledGame& g) {
  if (!watcher_) return;
  const std::optional<GameListing>& listing = listings_[static_cast<size_t>(g.index)];
  assert(listing);
  const fs::path folder = GameFolder(plan_.folder, g.index);
  std::error_code ec;
  const bool has_page = fs::is_regular_file(folder / "replay.html", ec);
  const std::string replay =
      has_page ? (folder.lexically_relative(plan_.folder) / "replay.html").generic_string() : "";
  watcher_->OnGameBooked(*listing, replay, ledger_.Standings());
}

std::string TournamentBooks::GameLine(const ScheduledGame& g, const GameResult& result) const {
  if (plan_.engines.size() == 2) {
    return fmt::format("game {} (seed {}, A {}): {}", g.index + 1, g.seed,
                       g.a_seat == 0 ? "first" : "second", result.reason);
  }
  return fmt::format("game {} (seed {}, {} - {}): {}", g.index + 1, g.seed,
                     plan_.engines[static_cast<size_t>(g.seats[0])].name,
                     plan_.engines[static_cast<size_t>(g.seats[1])].name, result.reason);
}

void TournamentBooks::List(const ScheduledGame& g, const GameResult& result, bool counted) {
  GameListing& l = listings_[static_cast<size_t>(g.index)].emplace();
  l.index = g.index;
  for (int seat = 0; seat < 2; ++seat)
    l.seats[seat] = plan_.engines[static_cast<size_t>(g.seats[seat])].name;
  l.seed = g.seed;
  if (g.scenario >= 0) l.position = plan_.scenarios.list[static_cast<size_t>(g.scenario)].name;
  l.result = result.reason;
  l.counted = counted;
}

// summary.json always; summary.txt and index.html too at the end, or after
// every game for the index page.
void TournamentBooks::WriteFiles(bool final_files) {
  const stats::Standings standings = ledger_.Standings();
  if (std::string why = stats::WriteStandingsJson(plan_.folder, standings); !why.empty()) {
    Fail(why);
  }
  const std::string text = stats::FormatStandingsReport(standings);
  std::vector<GameListing> games;
  for (const auto& l : listings_) {
    if (l) games.push_back(*l);
  }
  std::string title = "Tournament: ";
  for (size_t i = 0; i < plan_.engines.size(); ++i)
    title += (i ? ", " : "") + plan_.engines[i].name;
  if (std::string why = WriteIndexPage(plan_.folder, title, text, games); !why.empty()) {
    error_ = why;
  }
  if (!final_files) return;
  if (std::string why = WriteFileWhole(plan_.folder / "summary.txt", text); !why.empty()) {
    error_ = why;
  }
}

TournamentOutcome TournamentBooks::Conclude() {
  if (InterruptRequested()) ledger_.Interrupt();
  WriteFiles(true);
  if (watcher_) watcher_->OnStandings(ledger_.Standings());
  TournamentOutcome outcome;
  outcome.standings = ledger_.Standings();
  outcome.status = ledger_.status();
  outcome.fault = ledger_.fault();
  outcome.error = error_;
  return outcome;
}

std::optional<FinishedGame> PlayTournamentGame(const TournamentPlan& plan,
                                               const ScheduledGame& game, const ShotPlayer& player,
                                               const std::atomic<bool>* stop, std::string& error,
                                               TournamentWatcher* watcher) {
  const fs::path folder = GameFolder(plan.folder, game.index);
  std::error_code ec;
  fs::create_directories(folder, ec);
  const fs::path record_path = folder / "game.jsonl";
  GameRecordWriter record(record_path.string());
  if (ec || !record.ok()) {
    error = ec ? "cannot write " + record_path.string() : record.error();
    return std::nullopt;
  }
  const GameConfig config = ScheduledGameConfig(plan, game);
  // A log that cannot be written is the output's fault, not the engine's.
  for (const EngineCommand& engine : config.engines) {
    std::error_code missing;
    if (!fs::exists(fs::symlink_status(engine.stderr_log, missing))) continue;
    if (error = OwnFileError(engine.stderr_log); !error.empty()) return std::nullopt;
  }
  GameLineRelay relay(watcher, game.index);
  if (watcher) record.set_listener(&relay);
  Game match(config, player);
  match.set_stop_flag(stop);
  match.AddObserver(&record);
  FinishedGame finished;
  finished.index = game.index;
  finished.result = match.Play();
  if (!record.ok()) {
    // The game stopped at the first line that could not be written: a result
    // without its whole record is not booked.
    error = record.error();
    return std::nullopt;
  }
  return finished;
}

}  // namespace curling::server
