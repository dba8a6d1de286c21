#include "server/tournament.h"

#include <algorithm>
#include <atomic>
#include <fstream>
#include <mutex>
#include <thread>

#include <fmt/format.h>

#include "server/game_record.h"
#include "server/interruption.h"
#include "server/replay_page.h"
#include "server/stats/progress_line.h"
#include "server/stats/tournament_tally.h"

namespace curling::server {

namespace fs = std::filesystem;

namespace {

std::string Joined(const std::vector<std::string>& words) {
  std::string text;
  for (const std::string& word : words) {
    if (!text.empty()) text += ' ';
    text += word;
  }
  return text;
}

}  // namespace

stats::GameResult ResultForSeat(const GameResult& result, int a_seat) {
  stats::GameResult r;
  r.outcome = result.winner == a_seat ? stats::GameOutcome::kWin
              : result.winner < 0     ? stats::GameOutcome::kDraw
                                      : stats::GameOutcome::kLoss;
  r.points_a = result.total[a_seat];
  r.points_b = result.total[1 - a_seat];
  r.ends = result.ends_played;
  return r;
}

std::string ValidateTournamentPlan(const TournamentPlan& plan) {
  if (plan.games < 1) return "--games must be at least 1";
  if (plan.concurrency < 1) return "--concurrency must be at least 1";
  if (plan.sprt) {
    if (std::string why = stats::ValidateSprtParameters(*plan.sprt); !why.empty()) {
      return "--sprt: " + why;
    }
  }
  for (const stats::StartScenario& s : plan.scenarios) {
    if (s.end >= plan.rules.ends) {
      return fmt::format(
          "start position \"{}\" (line {}) is in end {} (0-based) but the game has "
          "{} ends",
          s.name, s.line, s.end, plan.rules.ends);
    }
  }
  return {};
}

GameConfig TournamentGameConfig(const TournamentPlan& plan, int game, int& a_seat) {
  const int pair = game / 2;
  a_seat = game % 2;
  GameConfig config;
  config.rules = plan.rules;
  config.seed = plan.seed + static_cast<uint64_t>(pair);
  config.stream = 0;
  const fs::path folder = plan.folder / fmt::format("game-{:04d}", game + 1);
  for (int side = 0; side < 2; ++side) {
    const int seat = side == 0 ? a_seat : 1 - a_seat;
    config.engines[seat] = plan.engines[side];
    config.engines[seat].stderr_log =
        (folder / fmt::format("engine-{}.stderr.log", seat + 1)).string();
  }
  if (!plan.scenarios.empty()) {
    const stats::StartScenario& s = plan.scenarios[pair % plan.scenarios.size()];
    GameStart start;
    start.end = s.end;
    start.shot = s.shot;
    start.first_seat = 0;
    start.total = {s.other_score, s.hammer_score};
    start.stones = s.stones;
    config.start = start;
  }
  return config;
}

namespace {

// One run of a plan: games handed out to a pool of threads; everything the
// games share is guarded by `mutex_`.
class TournamentRun {
 public:
  TournamentRun(const TournamentPlan& plan, const ShotPlayer& player, std::ostream& out)
      : plan_(plan), player_(player), out_(out) {}

  TournamentOutcome Run() {
    const int threads = std::min(plan_.concurrency, plan_.games);
    std::vector<std::thread> pool;
    for (int i = 1; i < threads; ++i)
      pool.emplace_back([this] { Work(); });
    Work();
    for (std::thread& t : pool)
      t.join();
    return Conclude();
  }

 private:
  stats::TournamentSummary Summary() const {
    stats::TournamentSummary s = stats::Summarize(tally_.Snapshot(), plan_.sprt);
    s.engine_a = Joined(plan_.engines[0].argv);
    s.engine_b = Joined(plan_.engines[1].argv);
    s.games_planned = plan_.games;
    return s;
  }

  void Work() {
    while (!stop_ && !InterruptRequested()) {
      const int game = next_game_++;
      if (game >= plan_.games) return;
      Play(game);
    }
  }

  void Play(int game) {
    int a_seat = 0;
    const GameConfig config = TournamentGameConfig(plan_, game, a_seat);
    const fs::path folder = fs::path(config.engines[0].stderr_log).parent_path();
    std::error_code ec;
    fs::create_directories(folder, ec);
    const fs::path record_path = folder / "game.jsonl";
    GameRecordWriter record(record_path.string());
    if (ec || !record.ok()) {
      std::lock_guard lock(mutex_);
      outcome_.error = "cannot write " + record_path.string();
      stop_ = true;
      return;
    }
    Game match(config, player_);
    match.AddObserver(&record);
    const GameResult result = match.Play();
    std::string page_error;
    WriteReplayPage(record_path.string(), (folder / "replay.html").string(), page_error);
    Record(game, config, a_seat, result);
  }

  void Record(int game, const GameConfig& config, int a_seat, const GameResult& result) {
    std::lock_guard lock(mutex_);
    if (result.outcome == GameOutcome::kInterrupted) {
      outcome_.interrupted = true;
      stop_ = true;
      return;
    }
    stats::GameResult for_a = ResultForSeat(result, a_seat);
    if (config.start) {
      // The end score difference counts only what was played on the ice here.
      for_a.points_a -= config.start->total[a_seat];
      for_a.points_b -= config.start->total[1 - a_seat];
      for_a.ends = std::max(0, for_a.ends - config.start->end);
    }
    tally_.Record(game, for_a);
    const stats::TournamentSummary s = Summary();
    out_ << fmt::format("game {} (seed {}, A {}): {}\n", game + 1, config.seed,
                        a_seat == 0 ? "first" : "second", result.reason)
         << stats::FormatProgressLine(s) << std::endl;
    if (std::string why = stats::WriteSummaryJson(plan_.folder, s); !why.empty()) {
      outcome_.error = why;
      stop_ = true;
    }
    if (s.sprt_parameters && s.sprt.decision != stats::SprtDecision::kContinue) stop_ = true;
  }

  TournamentOutcome Conclude() {
    if (InterruptRequested()) outcome_.interrupted = true;
    outcome_.summary = Summary();
    if (std::string why = stats::WriteSummaryJson(plan_.folder, outcome_.summary); !why.empty()) {
      outcome_.error = why;
    }
    std::ofstream text(plan_.folder / "summary.txt", std::ios::trunc);
    text << stats::FormatTextReport(outcome_.summary);
    if (!text) outcome_.error = "cannot write " + (plan_.folder / "summary.txt").string();
    return outcome_;
  }

  const TournamentPlan& plan_;
  const ShotPlayer& player_;
  std::ostream& out_;
  std::mutex mutex_;  // guards the tally, the outcome and `out_`
  stats::TournamentTally tally_;
  TournamentOutcome outcome_;
  std::atomic<int> next_game_{0};
  std::atomic<bool> stop_{false};
};

}  // namespace

TournamentOutcome RunTournament(const TournamentPlan& plan, const ShotPlayer& player,
                                std::ostream& out) {
  return TournamentRun(plan, player, out).Run();
}

}  // namespace curling::server
