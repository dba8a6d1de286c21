#include "server/game/game.h"

#include <algorithm>
#include <cassert>
#include <cmath>

#include <fmt/format.h>

#include "server/text/float_text.h"

namespace curling::server {
namespace {

constexpr auto kResendInterval = std::chrono::milliseconds(500);
constexpr auto kStopGrace = std::chrono::milliseconds(500);

}  // namespace

std::string ProtocolState::PositionCommand(const GameState& state) {
  std::string text = "POSITION";
  for (const StonePosition& stone : state.Stones) {
    text += ' ';
    text += FloatText(stone.x);
    text += ' ';
    text += FloatText(stone.y);
  }
  return text;
}

std::string ProtocolState::SetStateCommand(const GameState& state) {
  return "SETSTATE " + std::to_string(state.ShotNum) + ' ' + std::to_string(state.CurEnd) + ' ' +
         std::to_string(state.LastEnd) + ' ' + std::to_string(state.NextSide);
}

std::string ProtocolState::ScoreCommand(const std::array<int, 2>& total, int seat) {
  return fmt::format("SCORE {} {}", total[seat], total[1 - seat]);
}

std::string ProtocolState::TimeCommand(const std::array<double, 2>& seconds_left, int seat) {
  return fmt::format("TIME {:.3f} {:.3f}", std::max(seconds_left[seat], 0.0),
                     std::max(seconds_left[1 - seat], 0.0));
}

struct Game::Progress {
  GameState state{};  // CurEnd, LastEnd, ShotNum, NextSide, Score and stones as sent
  std::array<int, 2> total{};
  std::array<double, 2> used{};  // thinking time by seat
  int first_seat = 0;            // the seat throwing first in the current end
  int end = 0;
  sim::RandomStream stream;
};

std::optional<Game::SeatFault> Game::ObserverFailure() const {
  for (const GameObserver* observer : observers_) {
    if (std::string why = observer->Failure(); !why.empty()) {
      return SeatFault{-1, {FaultKind::kInterrupted, "game stopped: " + why}};
    }
  }
  return std::nullopt;
}

GameResult Game::Play() {
  for (GameObserver* observer : observers_)
    observer->OnGameStart(config_);
  EngineSession first(config_.engines[0].name);
  EngineSession second(config_.engines[1].name);
  const Sessions sessions{&first, &second};
  for (EngineSession* session : sessions)
    session->set_stop_flag(stop_flag_);
  Progress game;
  if (auto failure = ObserverFailure()) return Finish(LoseByFault(*failure, game), sessions);
  if (auto fault = StartEngines(sessions)) return Finish(LoseByFault(*fault, game), sessions);
  game.stream = {config_.seed, config_.stream, 0};
  if (config_.start) {
    game.end = config_.start->end;
    game.first_seat = config_.start->first_seat;
    game.total = config_.start->total;
  }
  const GameRules& rules = config_.rules;
  for (;; ++game.end) {
    const bool regular = game.end < rules.ends;
    if (!regular && game.total[0] != game.total[1]) break;
    if (game.end >= rules.ends + rules.extra_ends) break;
    if (auto fault = PlayEnd(sessions, game)) return Finish(LoseByFault(*fault, game), sessions);
    ScoreTheEnd(game);
  }
  return Finish(CompletedResult(game), sessions);
}

std::optional<Game::SeatFault> Game::StartEngines(const Sessions& sessions) {
  const auto stall_limit = MillisecondsFrom(config_.rules.ready_timeout);
  for (int seat = 0; seat < 2; ++seat) {
    const EngineCommand& engine = config_.engines[seat];
    if (Fault f = sessions[seat]->Start(engine.argv, engine.stderr_log, engine.working_folder); f) {
      return SeatFault{seat, f};
    }
  }
  for (int seat = 0; seat < 2; ++seat) {
    if (Fault f = sessions[seat]->Send("NEWGAME", stall_limit); f) return SeatFault{seat, f};
    if (Fault f = sessions[seat]->WaitReady(stall_limit, kResendInterval); f) {
      return SeatFault{seat, f};
    }
  }
  return std::nullopt;
}

std::optional<Game::SeatFault> Game::PlayEnd(const Sessions& sessions, Progress& game) {
  const GameRules& rules = config_.rules;
  GameState& state = game.state;
  state.CurEnd = game.end;
  state.LastEnd = game.end < rules.ends ? rules.ends - 1 : game.end;
  const bool start_end = config_.start && game.end == config_.start->end;
  assert(game.first_seat == 0 || game.first_seat == 1);
  for (int i = 0; i < 16; ++i)
    state.Stones[i] = start_end ? config_.start->stones[i] : StonePosition{0.0f, 0.0f};
  for (int shot = start_end ? config_.start->shot : 0; shot < 16; ++shot) {
    const int seat = shot % 2 == 0 ? game.first_seat : 1 - game.first_seat;
    state.ShotNum = shot;
    state.NextSide = static_cast<uint8_t>(seat);
    for (GameObserver* observer : observers_)
      observer->OnShotStart(game.end, shot, seat);
    if (auto fault = PlayTurn(*sessions[seat], seat, game)) return fault;
  }
  return std::nullopt;
}

std::optional<Game::SeatFault> Game::PlayTurn(EngineSession& engine, int seat, Progress& game) {
  if (auto failure = ObserverFailure()) return failure;
  const GameRules& rules = config_.rules;
  const auto stall_limit = MillisecondsFrom(rules.ready_timeout);
  ShotRecord record;
  record.end = game.end;
  record.shot = game.state.ShotNum;
  record.seat = seat;
  record.before = game.state;
  // Each engine's game budget: its own setting, else the match's.
  const auto budget_of = [&](int s) {
    return config_.engines[static_cast<size_t>(s)].time_budget.value_or(rules.time_budget);
  };
  const std::array<double, 2> left{std::max(budget_of(0) - game.used[0], 0.0),
                                   std::max(budget_of(1) - game.used[1], 0.0)};
  for (const std::string& command :
       {ProtocolState::PositionCommand(game.state), ProtocolState::SetStateCommand(game.state),
        ProtocolState::ScoreCommand(game.total, seat), ProtocolState::TimeCommand(left, seat)}) {
    if (Fault f = engine.Send(command, stall_limit); f) return SeatFault{seat, f};
  }
  const EngineCommand& settings = config_.engines[seat];
  const double game_budget = budget_of(seat);
  const bool shot_limited = settings.shot_time && *settings.shot_time < left[seat];
  const double budget = shot_limited ? *settings.shot_time : left[seat];
  if (Fault f = engine.Go(std::chrono::duration<double>(budget), record.answer); f) {
    if (f.kind == FaultKind::kTime) {
      f.reason += shot_limited ? fmt::format(" ({:g} s per shot)", *settings.shot_time)
                               : fmt::format(" ({:g} s per game)", game_budget);
    }
    return SeatFault{seat, f};
  }
  assert(record.answer.thinking_seconds >= 0);
  game.used[seat] += record.answer.thinking_seconds;
  record.budget_left = game_budget - game.used[seat];

  const sim::Rules physics_rules{rules.free_guard_zone};
  record.outcome =
      player_(game.state, record.answer.reply.shot, rules.error, game.stream, physics_rules);
  std::copy(std::begin(record.outcome.final_state.Stones),
            std::end(record.outcome.final_state.Stones), std::begin(game.state.Stones));
  for (GameObserver* observer : observers_)
    observer->OnShot(record);
  return std::nullopt;
}

void Game::ScoreTheEnd(Progress& game) {
  EndRecord record;
  record.end = game.end;
  record.first_seat = game.first_seat;
  record.score = ScoreEnd(game.state);
  if (record.score.side >= 0) {
    record.scoring_seat = record.score.side == 0 ? game.first_seat : 1 - game.first_seat;
    game.total[record.scoring_seat] += record.score.points;
  }
  if (game.end < 10) {
    // Seen from seat 0: positive when the first engine scored.
    const int sign = record.scoring_seat == 0 ? 1 : record.scoring_seat == 1 ? -1 : 0;
    game.state.Score[game.end] = sign * record.score.points;
  }
  record.total = game.total;
  for (GameObserver* observer : observers_)
    observer->OnEnd(record);
  game.first_seat = NextFirstSeat(game.first_seat, record.score);
}

GameResult Game::CompletedResult(const Progress& game) const {
  // A game is decided only once its regular ends are played.
  assert(game.end >= config_.rules.ends);
  GameResult result;
  result.outcome = GameOutcome::kCompleted;
  result.total = game.total;
  result.ends_played = game.end;
  result.thinking_seconds = game.used;
  const std::string after = " after " + std::to_string(game.end) + " ends";
  if (game.total[0] == game.total[1]) {
    result.winner = -1;
    result.reason =
        "draw " + std::to_string(game.total[0]) + "-" + std::to_string(game.total[1]) + after;
  } else {
    const int winner = game.total[0] > game.total[1] ? 0 : 1;
    result.winner = winner;
    result.reason = config_.engines[winner].name + " wins " + std::to_string(game.total[winner]) +
                    "-" + std::to_string(game.total[1 - winner]) + after;
  }
  return result;
}

GameResult Game::LoseByFault(const SeatFault& fault, const Progress& game) const {
  GameResult result;
  result.total = game.total;
  result.ends_played = game.end;
  result.thinking_seconds = game.used;
  if (fault.fault.kind == FaultKind::kInterrupted) {
    result.outcome = GameOutcome::kInterrupted;
    result.reason = fault.seat < 0 ? fault.fault.reason : "game interrupted";
    return result;
  }
  assert(fault.seat == 0 || fault.seat == 1);
  result.outcome = GameOutcome::kFault;
  result.fault_seat = fault.seat;
  result.winner = 1 - fault.seat;
  result.reason = config_.engines[fault.seat].name + " loses by fault (" +
                  FaultKindName(fault.fault.kind) + "): " + fault.fault.reason;
  result.fault = fault.fault;
  return result;
}

GameResult Game::Finish(GameResult result, const Sessions& sessions) {
  // A faulty engine is killed at once; a healthy one gets to see the end of
  // its input and leave by itself first.
  for (int seat = 0; seat < 2; ++seat) {
    if (result.fault_seat == seat) {
      sessions[seat]->Kill();
    } else {
      sessions[seat]->Stop(kStopGrace);
    }
  }
  for (GameObserver* observer : observers_)
    observer->OnResult(result);
  return result;
}

}  // namespace curling::server
