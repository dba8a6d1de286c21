#include "server/game/scoreboard.h"

#include <fmt/format.h>

namespace curling::server {

void Scoreboard::ClearStatus() {
  if (live_ && status_shown_) out_ << "\r\033[K";
  status_shown_ = false;
}

void Scoreboard::OnGameStart(const GameConfig& config) {
  names_ = {config.engines[0].name, config.engines[1].name};
  ends_.clear();
  out_ << fmt::format("{} (first stone of end 1) against {}, {} ends, seed {}\n", names_[0],
                      names_[1], config.rules.ends, config.seed);
  out_.flush();
}

void Scoreboard::OnShotStart(int end, int shot, int seat) {
  if (!live_) return;
  ClearStatus();
  const std::array<int, 2> total = ends_.empty() ? std::array<int, 2>{} : ends_.back().total;
  out_ << fmt::format("  [{} - {}] end {} shot {:2}/16  {} thinking...", total[0], total[1],
                      end + 1, shot + 1, names_[seat]);
  out_.flush();
  status_shown_ = true;
}

void Scoreboard::OnShot(const ShotRecord& shot) {
  if (!live_) return;
  ClearStatus();
  const ShotVector& d = shot.answer.reply.shot;
  out_ << fmt::format("  end {} shot {:2}/16  {}: {:.3f} {:.3f} {} in {:.2f} s", shot.end + 1,
                      shot.shot + 1, names_[shot.seat], d.vx, d.vy, d.curl,
                      shot.answer.thinking_seconds);
  out_.flush();
  status_shown_ = true;
}

void Scoreboard::OnEnd(const EndRecord& end) {
  ClearStatus();
  ends_.push_back(end);
  const std::string what =
      end.scoring_seat < 0
          ? std::string("blank end")
          : fmt::format("{} scores {}", names_[end.scoring_seat], end.score.points);
  out_ << fmt::format("End {}: {:<28} {} {} - {} {}\n", end.end + 1, what, names_[0], end.total[0],
                      end.total[1], names_[1]);
  out_.flush();
}

std::string Scoreboard::Board(const std::array<std::string, 2>& names,
                              const std::vector<EndRecord>& ends) {
  size_t width = 6;
  for (const std::string& name : names)
    width = std::max(width, name.size() + 2);
  std::string board = fmt::format("{:<{}}", "End", width);
  for (const EndRecord& end : ends)
    board += fmt::format("{:>3}", end.end + 1);
  board += "  Total\n";
  for (int seat = 0; seat < 2; ++seat) {
    board += fmt::format("{:<{}}", names[seat], width);
    // The running total of the last end also counts a score the game began with.
    const int total = ends.empty() ? 0 : ends.back().total[seat];
    for (const EndRecord& end : ends) {
      const bool scored = end.scoring_seat == seat;
      // The hammer (last stone) belongs to the seat that threw second.
      const bool hammer = end.first_seat != seat;
      board += scored ? fmt::format("{:>3}", end.score.points) : (hammer ? "  *" : "  .");
    }
    board += fmt::format("{:>7}\n", total);
  }
  return board;
}

void Scoreboard::OnResult(const GameResult& result) {
  ClearStatus();
  if (!ends_.empty())
    out_ << '\n'
         << Board(names_, ends_) << "(* had the hammer and did not score, . did not score)\n";
  out_ << "Result: " << result.reason << '\n';
  out_.flush();
}

}  // namespace curling::server
