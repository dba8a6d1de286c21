#include "server/tournament/tournament.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <optional>
#include <thread>

#include "server/game/replay_page.h"

namespace curling::server {

namespace fs = std::filesystem;

namespace {

// One run of a plan: games handed out by the books to a pool of threads; the
// books (and through them `out`) are guarded by `mutex_`.
class TournamentRun {
 public:
  TournamentRun(const TournamentPlan& plan, const ShotPlayer& player, std::ostream& out,
                BookedGameListener* listener, TournamentWatcher* watcher)
      : plan_(plan), player_(player), watcher_(watcher), books_(plan, out, listener, watcher) {}

  TournamentOutcome Run(const std::vector<FinishedGame>& finished) {
    books_.BookResumed(finished);
    const int total = books_.ledger().schedule().total_games();
    const int threads = std::max(1, std::min(plan_.concurrency, total));
    std::vector<std::thread> pool;
    for (int i = 1; i < threads; ++i)
      pool.emplace_back([this] { Work(); });
    Work();
    for (std::thread& t : pool)
      t.join();
    std::lock_guard lock(mutex_);
    return books_.Conclude();
  }

 private:
  void Work() {
    while (true) {
      std::optional<ScheduledGame> game;
      {
        std::lock_guard lock(mutex_);
        game = books_.NextGame();
      }
      if (!game) return;
      Play(*game);
    }
  }

  void Play(const ScheduledGame& scheduled) {
    std::string error;
    const std::optional<FinishedGame> finished =
        PlayTournamentGame(plan_, scheduled, player_, &stop_, error, watcher_);
    std::string page_error;
    if (finished) {
      const fs::path folder = GameFolder(plan_.folder, scheduled.index);
      WriteReplayPage((folder / "game.jsonl").string(), (folder / "replay.html").string(),
                      page_error);
    }
    std::lock_guard lock(mutex_);
    if (finished) {
      books_.Book(*finished);
      // The game counts (its record is whole); its page is an output file
      // that could not be written.
      if (!page_error.empty()) books_.Fail(page_error);
    } else {
      books_.Fail(error);
    }
    if (books_.over()) stop_ = true;
  }

  const TournamentPlan& plan_;
  const ShotPlayer& player_;
  TournamentWatcher* watcher_;
  std::mutex mutex_;  // guards `books_`
  TournamentBooks books_;
  std::atomic<bool> stop_{false};  // raised once the tournament is over: games under way end
};

}  // namespace

TournamentOutcome RunTournament(const TournamentPlan& plan, const ShotPlayer& player,
                                std::ostream& out, const std::vector<FinishedGame>& finished,
                                BookedGameListener* listener, TournamentWatcher* watcher) {
  return TournamentRun(plan, player, out, listener, watcher).Run(finished);
}

}  // namespace curling::server
