#include "server/tournament/tournament_ledger.h"

#include <algorithm>
#include <cassert>

#include <fmt/format.h>

#include "server/game/game_record.h"

namespace curling::server {

using nlohmann::json;

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

json FinishedGameJson(const FinishedGame& game) {
  return {{"index", game.index}, {"result", ResultJson(game.result)}, {"record", game.record}};
}

FinishedGame FinishedGameFromJson(const json& j, std::string& error) {
  FinishedGame game;
  error.clear();
  if (!j.is_object() || !j.contains("index") || !j["index"].is_number_integer() ||
      !j.contains("result")) {
    error = "a finished game needs \"index\" and \"result\"";
    return game;
  }
  game.index = j["index"].get<int>();
  if (!ResultFromJson(j["result"], game.result, error)) return game;
  if (j.contains("record") && j["record"].is_string()) game.record = j["record"].get<std::string>();
  return game;
}

stats::GameResult ResultForA(const GameResult& result, int a_seat,
                             const std::optional<GameStart>& start) {
  stats::GameResult r;
  r.outcome = result.winner == a_seat ? stats::GameOutcome::kWin
              : result.winner < 0     ? stats::GameOutcome::kDraw
                                      : stats::GameOutcome::kLoss;
  r.points_a = result.total[a_seat];
  r.points_b = result.total[1 - a_seat];
  r.ends = result.ends_played;
  if (start) {
    // The end score difference counts only what was played on the ice.
    r.points_a -= start->total[a_seat];
    r.points_b -= start->total[1 - a_seat];
    r.ends = std::max(0, r.ends - start->end);
  }
  return r;
}

const char* TournamentStatusName(TournamentStatus status) {
  switch (status) {
    case TournamentStatus::kRunning:
      return "running";
    case TournamentStatus::kCompleted:
      return "completed";
    case TournamentStatus::kSprtDecided:
      return "sprt";
    case TournamentStatus::kFault:
      return "fault";
    case TournamentStatus::kInterrupted:
      return "interrupted";
  }
  return "running";
}

TournamentLedger::TournamentLedger(TournamentPlan plan)
    : plan_(std::move(plan)),
      schedule_(plan_),
      tallies_(schedule_.pairings().size()),
      given_(static_cast<size_t>(schedule_.total_games()), 0) {
  if (schedule_.total_games() == 0) status_ = TournamentStatus::kCompleted;
  assert(BooksAddUp());
}

bool TournamentLedger::BooksAddUp() const {
  const int total = schedule_.total_games();
  int64_t tallied = 0;
  for (const stats::TournamentTally& tally : tallies_)
    tallied += tally.Snapshot().games;
  const bool counts = games_counted_ >= 0 && games_counted_ <= total && tallied == games_counted_ &&
                      next_ >= 0 && next_ <= total;
  // Running means games are left to count; completed means none is.
  const bool running = status_ != TournamentStatus::kRunning || games_counted_ < total;
  const bool completed = status_ != TournamentStatus::kCompleted || games_counted_ == total;
  const bool fault = (status_ == TournamentStatus::kFault) == !fault_.empty();
  const bool sprt =
      status_ != TournamentStatus::kSprtDecided || (plan_.sprt && tallies_.size() == 1);
  return counts && running && completed && fault && sprt;
}

std::optional<ScheduledGame> TournamentLedger::NextGame() {
  assert(BooksAddUp());
  if (over()) return std::nullopt;
  while (next_ < schedule_.total_games() && given_[static_cast<size_t>(next_)])
    ++next_;
  if (next_ >= schedule_.total_games()) return std::nullopt;
  given_[static_cast<size_t>(next_)] = 1;
  return schedule_.Game(next_++);
}

TournamentLedger::Counted TournamentLedger::Record(const FinishedGame& game) {
  assert(game.index >= 0 && game.index < schedule_.total_games());
  assert(BooksAddUp());
  given_[static_cast<size_t>(game.index)] = 1;
  if (over()) return Counted::kNo;
  const GameResult& result = game.result;
  if (result.outcome == GameOutcome::kInterrupted) {
    status_ = TournamentStatus::kInterrupted;
    return Counted::kNo;
  }
  const ScheduledGame g = schedule_.Game(game.index);
  if (result.outcome == GameOutcome::kFault &&
      (!plan_.recover || result.fault.kind == FaultKind::kStart)) {
    fault_ = fmt::format("game {} (seed {}): {}", game.index + 1, g.seed, result.reason);
    status_ = TournamentStatus::kFault;
    return Counted::kNo;
  }
  const GameConfig config = ScheduledGameConfig(plan_, g);
  if (!tallies_[static_cast<size_t>(g.pairing)].Record(
          g.game_in_pairing, ResultForA(result, g.a_seat, config.start))) {
    return Counted::kNo;
  }
  ++games_counted_;
  CheckSprt();
  if (!over() && games_counted_ == schedule_.total_games()) status_ = TournamentStatus::kCompleted;
  return Counted::kYes;
}

void TournamentLedger::CheckSprt() {
  if (!plan_.sprt || tallies_.size() != 1) return;
  const stats::SprtStatus s = stats::EvaluateSprt(tallies_[0].Snapshot().pairs, *plan_.sprt);
  if (s.decision != stats::SprtDecision::kContinue) status_ = TournamentStatus::kSprtDecided;
}

void TournamentLedger::Interrupt() {
  assert(BooksAddUp());
  if (!over()) status_ = TournamentStatus::kInterrupted;
}

stats::Standings TournamentLedger::Standings() const {
  assert(BooksAddUp());
  stats::Standings s;
  s.format = TournamentFormatName(plan_.format);
  s.status = TournamentStatusName(status_);
  s.fault = fault_;
  s.games = games_counted_;
  s.games_planned = schedule_.total_games();
  for (const EngineCommand& e : plan_.engines)
    s.players.push_back({e.name, Joined(e.argv), {}, {}});
  const bool two = plan_.engines.size() == 2;
  for (size_t i = 0; i < tallies_.size(); ++i) {
    const Pairing& p = schedule_.pairings()[i];
    stats::PairingResult r;
    r.a = p.a;
    r.b = p.b;
    r.summary = stats::Summarize(tallies_[i].Snapshot(), two ? plan_.sprt : std::nullopt);
    // A two-engine summary names each engine by its command, as it always has.
    r.summary.engine_a = two ? s.players[0].command : s.players[static_cast<size_t>(p.a)].name;
    r.summary.engine_b = two ? s.players[1].command : s.players[static_cast<size_t>(p.b)].name;
    r.summary.games_planned = plan_.games;
    s.pairings.push_back(std::move(r));
  }
  stats::ComputePlayerStandings(s);
  return s;
}

}  // namespace curling::server
