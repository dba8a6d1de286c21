#include "server/tournament.h"

#include <algorithm>
#include <atomic>
#include <fstream>
#include <mutex>
#include <optional>
#include <thread>

#include <fmt/format.h>

#include "server/game_record.h"
#include "server/interruption.h"
#include "server/replay_page.h"
#include "server/tournament_index.h"

namespace curling::server {

namespace fs = std::filesystem;

namespace {

// One run of a plan: games handed out by the ledger to a pool of threads;
// the ledger, the listings and `out_` are guarded by `mutex_`.
class TournamentRun {
 public:
  TournamentRun(const TournamentPlan& plan, const ShotPlayer& player, std::ostream& out)
      : plan_(plan), player_(player), out_(out), ledger_(plan) {
    listings_.resize(static_cast<size_t>(ledger_.schedule().total_games()));
  }

  TournamentOutcome Run(const std::vector<FinishedGame>& finished) {
    for (const FinishedGame& game : finished) {
      const ScheduledGame g = ledger_.schedule().Game(game.index);
      List(g, game.result, ledger_.Record(game) == TournamentLedger::Counted::kYes);
    }
    if (!finished.empty()) {
      out_ << fmt::format("Resumed: {} finished games read back, {} counted\n", finished.size(),
                          ledger_.games_counted())
           << stats::FormatStandingsProgress(ledger_.Standings()) << std::endl;
    }
    const int threads = std::max(1, std::min(plan_.concurrency, ledger_.schedule().total_games()));
    std::vector<std::thread> pool;
    for (int i = 1; i < threads; ++i)
      pool.emplace_back([this] { Work(); });
    Work();
    for (std::thread& t : pool)
      t.join();
    return Conclude();
  }

 private:
  void Work() {
    while (true) {
      std::optional<ScheduledGame> game;
      {
        std::lock_guard lock(mutex_);
        if (InterruptRequested()) ledger_.Interrupt();
        game = ledger_.NextGame();
      }
      if (!game) return;
      Play(*game);
    }
  }

  void Play(const ScheduledGame& scheduled) {
    const GameConfig config = ScheduledGameConfig(plan_, scheduled);
    const fs::path folder = GameFolder(plan_.folder, scheduled.index);
    std::error_code ec;
    fs::create_directories(folder, ec);
    const fs::path record_path = folder / "game.jsonl";
    GameRecordWriter record(record_path.string());
    if (ec || !record.ok()) {
      std::lock_guard lock(mutex_);
      error_ = "cannot write " + record_path.string();
      ledger_.Interrupt();
      stop_ = true;
      return;
    }
    Game match(config, player_);
    match.set_stop_flag(&stop_);
    match.AddObserver(&record);
    FinishedGame finished;
    finished.index = scheduled.index;
    finished.result = match.Play();
    if (!record.ok()) {
      // The game stopped at the first line that could not be written: a
      // result without its whole record is not booked.
      std::lock_guard lock(mutex_);
      error_ = record.error();
      stop_ = true;
      return;
    }
    std::string page_error;
    WriteReplayPage(record_path.string(), (folder / "replay.html").string(), page_error);
    Book(scheduled, config, finished);
  }

  void Book(const ScheduledGame& g, const GameConfig& config, const FinishedGame& finished) {
    std::lock_guard lock(mutex_);
    const bool was_over = ledger_.over();
    const bool counted = ledger_.Record(finished) == TournamentLedger::Counted::kYes;
    List(g, finished.result, counted);
    // Games cut short because the tournament ended are not news.
    if (!was_over && finished.result.outcome != GameOutcome::kInterrupted) {
      out_ << GameLine(g, config, finished.result) << '\n';
      if (!counted) out_ << "game " << g.index + 1 << ": tournament stopped\n";
    }
    if (ledger_.over()) stop_ = true;
    if (counted && (ledger_.games_counted() % plan_.report_every == 0 || ledger_.over())) {
      out_ << stats::FormatStandingsProgress(ledger_.Standings()) << '\n';
    }
    out_.flush();
    if (counted || !was_over) WriteFiles(false);
  }

  std::string GameLine(const ScheduledGame& g, const GameConfig& config,
                       const GameResult& result) const {
    if (plan_.engines.size() == 2) {
      return fmt::format("game {} (seed {}, A {}): {}", g.index + 1, config.seed,
                         g.a_seat == 0 ? "first" : "second", result.reason);
    }
    return fmt::format("game {} (seed {}, {} - {}): {}", g.index + 1, config.seed,
                       config.engines[0].name, config.engines[1].name, result.reason);
  }

  void List(const ScheduledGame& g, const GameResult& result, bool counted) {
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
  void WriteFiles(bool final_files) {
    const stats::Standings standings = ledger_.Standings();
    if (std::string why = stats::WriteStandingsJson(plan_.folder, standings); !why.empty()) {
      error_ = why;
      stop_ = true;
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
    std::ofstream summary(plan_.folder / "summary.txt", std::ios::trunc);
    summary << text;
    if (!summary) error_ = "cannot write " + (plan_.folder / "summary.txt").string();
  }

  TournamentOutcome Conclude() {
    std::lock_guard lock(mutex_);
    if (InterruptRequested()) ledger_.Interrupt();
    WriteFiles(true);
    TournamentOutcome outcome;
    outcome.standings = ledger_.Standings();
    outcome.status = ledger_.status();
    outcome.fault = ledger_.fault();
    outcome.error = error_;
    return outcome;
  }

  const TournamentPlan& plan_;
  const ShotPlayer& player_;
  std::ostream& out_;
  std::mutex mutex_;  // guards everything below but `stop_`
  TournamentLedger ledger_;
  std::vector<std::optional<GameListing>> listings_;
  std::string error_;
  std::atomic<bool> stop_{false};  // raised once the tournament is over: games under way end
};

}  // namespace

TournamentOutcome RunTournament(const TournamentPlan& plan, const ShotPlayer& player,
                                std::ostream& out, const std::vector<FinishedGame>& finished) {
  return TournamentRun(plan, player, out).Run(finished);
}

}  // namespace curling::server
