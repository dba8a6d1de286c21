#include "server/mpi/player.h"

#include <stdlib.h>

#include <atomic>
#include <filesystem>
#include <map>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "server/game/replay_page.h"
#include "server/mpi/remote_game.h"
#include "server/mpi/scratch_folder.h"
#include "server/seat/interruption.h"
#include "server/tournament/tournament_books.h"

namespace curling::server {

namespace fs = std::filesystem;

namespace {

// The record lines of the games this rank plays, kept for the main thread
// (the one that speaks MPI) to send to rank 0's live view. Never waits: past
// its cap, lines are let go (the live view misses them; the records do not).
class LineOutbox : public TournamentWatcher {
 public:
  void OnTournamentStart(const TournamentPlan&) override {}
  void OnGameBooked(const GameListing&, const std::string&, const stats::Standings&) override {}
  void OnStandings(const stats::Standings&) override {}
  void OnGameLine(int index, const std::string& text) override {
    std::string message = std::to_string(index) + '\n' + text;
    std::lock_guard lock(mutex_);
    if (bytes_ + message.size() > kMaxBytes) return;
    bytes_ += message.size();
    lines_.push_back(std::move(message));
  }
  std::vector<std::string> Take() {
    std::lock_guard lock(mutex_);
    bytes_ = 0;
    return std::exchange(lines_, {});
  }

 private:
  static constexpr size_t kMaxBytes = 64 << 20;
  std::mutex mutex_;
  std::vector<std::string> lines_;
  size_t bytes_ = 0;
};

class PlayerRank {
 public:
  PlayerRank(MpiChannel& channel, const ShotPlayer& player, std::ostream& err)
      : channel_(channel), player_(player), err_(err) {}

  int Run() {
    const std::optional<Message> first = channel_.Receive(std::chrono::hours(24 * 365), 0);
    if (!first || first->tag != kPlan) return 0;  // no tournament
    std::string error;
    const nlohmann::json message = nlohmann::json::parse(first->bytes, nullptr, false);
    std::optional<TournamentPlan> plan;
    if (!message.is_discarded() && message.contains("plan")) {
      plan = PlanFromJson(message["plan"], error);
    }
    const std::optional<fs::path> scratch =
        plan ? MakeScratchFolder(ScratchParent(), channel_.rank()) : std::nullopt;
    if (!plan || !scratch) {
      Quit(plan ? "cannot make a scratch folder under $TMPDIR" : "bad plan: " + error);
    } else {
      plan_ = std::move(*plan);
      plan_.folder = *scratch;
      schedule_.emplace(plan_);
      concurrency_ = std::max(1, message.value("concurrency", 1));
      live_ = message.value("live", false);
    }
    Serve();
    if (scratch) {
      std::error_code ec;
      fs::remove_all(*scratch, ec);
    }
    return quit_sent_ && !interrupted_ ? 2 : 0;
  }

 private:
  // Until rank 0 says stop, all games sent back and all requests answered.
  void Serve() {
    while (!(stop_ && asked_ == 0 && playing_.empty())) {
      if (!quit_sent_ && InterruptRequested()) {
        interrupted_ = true;
        Quit("");
      }
      while (!stop_ && !no_more_ && !quit_sent_ && asked_ + Playing() < concurrency_) {
        channel_.Send(0, kRequest);
        ++asked_;
      }
      SendLines();
      SendFinished();
      if (std::optional<Message> m = channel_.Receive(std::chrono::milliseconds(10), 0)) {
        Handle(*m);
      }
    }
    channel_.Send(0, kDone);
  }

  void Handle(const Message& m) {
    if (m.tag == kGame) {
      --asked_;
      Start(std::stoi(m.bytes));
    } else if (m.tag == kNoGame) {
      --asked_;
      no_more_ = true;
    } else if (m.tag == kStop) {
      stop_ = true;
      stop_flag_ = true;
    }
  }

  int Playing() { return static_cast<int>(playing_.size()); }

  void Start(int index) {
    const ScheduledGame game = schedule_->Game(index);
    playing_[index] = std::thread([this, game] {
      std::string error;
      std::optional<FinishedGame> finished =
          PlayTournamentGame(plan_, game, player_, &stop_flag_, error, live_ ? &outbox_ : nullptr);
      std::lock_guard lock(mutex_);
      ended_.push_back({game.index, std::move(finished), error});
    });
  }

  // Lines first: a game's lines reach rank 0 before the game does.
  void SendLines() {
    for (const std::string& line : outbox_.Take())
      channel_.Send(0, kLine, line);
  }

  void SendFinished() {
    std::vector<EndedGame> ended;
    {
      std::lock_guard lock(mutex_);
      ended.swap(ended_);
    }
    for (EndedGame& d : ended) {
      playing_[d.index].join();
      playing_.erase(d.index);
      const fs::path folder = GameFolder(plan_.folder, d.index);
      std::string error = d.error;
      std::string packed;
      if (d.game) {
        std::string page_error;  // a game without a page is still a game
        WriteReplayPage((folder / "game.jsonl").string(), (folder / "replay.html").string(),
                        page_error);
        packed = PackGame(*d.game, folder, error);
      }
      std::error_code ec;
      fs::remove_all(folder, ec);
      if (packed.empty()) {
        Quit(error);
        continue;
      }
      channel_.Send(0, kFinished, packed);
    }
  }

  // Tells rank 0 this rank plays no more: interrupted (empty `why`) or failed.
  void Quit(const std::string& why) {
    if (quit_sent_) return;
    quit_sent_ = true;
    if (!why.empty()) err_ << "curling-match-mpi: rank " << channel_.rank() << ": " << why << '\n';
    channel_.Send(0, kQuit, why);
  }

  struct EndedGame {
    int index;
    std::optional<FinishedGame> game;
    std::string error;
  };

  MpiChannel& channel_;
  const ShotPlayer& player_;
  std::ostream& err_;
  TournamentPlan plan_;
  std::optional<TournamentSchedule> schedule_;
  int concurrency_ = 1;
  bool live_ = false;  // rank 0 shows the games live: send their lines
  LineOutbox outbox_;
  std::map<int, std::thread> playing_;  // by game index
  std::mutex mutex_;                    // guards `ended_`
  std::vector<EndedGame> ended_;        // games ended, not yet sent
  std::atomic<bool> stop_flag_{false};  // games under way end as interrupted
  int asked_ = 0;                       // requests not yet answered
  bool no_more_ = false;
  bool stop_ = false;
  bool quit_sent_ = false;
  bool interrupted_ = false;
};

}  // namespace

int RunPlayer(MpiChannel& channel, const ShotPlayer& player, std::ostream& err) {
  return PlayerRank(channel, player, err).Run();
}

}  // namespace curling::server
