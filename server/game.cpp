#include "server/game.h"

#include <algorithm>
#include <cmath>

#include <fmt/format.h>

#include "server/float_text.h"

namespace curling::server {
namespace {

constexpr auto kResendInterval = std::chrono::milliseconds(500);
constexpr auto kStopGrace = std::chrono::milliseconds(500);

std::chrono::milliseconds Millis(double seconds) {
  return std::chrono::milliseconds(static_cast<long long>(std::ceil(seconds * 1000)));
}

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

GameResult Game::LoseByFault(int seat, Fault fault, std::array<int, 2> total, int ends_played) {
  GameResult result;
  result.total = total;
  result.ends_played = ends_played;
  if (fault.kind == FaultKind::kInterrupted) {
    result.outcome = GameOutcome::kInterrupted;
    result.reason = "game interrupted";
    return result;
  }
  result.outcome = GameOutcome::kFault;
  result.fault_seat = seat;
  result.winner = 1 - seat;
  result.reason = config_.engines[seat].name + " loses by fault (" + FaultKindName(fault.kind) +
                  "): " + fault.reason;
  result.fault = std::move(fault);
  return result;
}

GameResult Game::Finish(GameResult result, std::array<EngineSession*, 2> sessions) {
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

GameResult Game::Play() {
  for (GameObserver* observer : observers_)
    observer->OnGameStart(config_);
  const GameRules& rules = config_.rules;
  EngineSession first(config_.engines[0].name);
  EngineSession second(config_.engines[1].name);
  const std::array<EngineSession*, 2> sessions{&first, &second};
  std::array<int, 2> total{};
  std::array<double, 2> used{};
  const auto stall_limit = Millis(rules.ready_timeout);

  auto fail = [&](int seat, Fault fault, int ends_played) {
    GameResult result = LoseByFault(seat, std::move(fault), total, ends_played);
    result.thinking_seconds = used;
    return Finish(std::move(result), sessions);
  };

  for (int seat = 0; seat < 2; ++seat) {
    const EngineSpec& engine = config_.engines[seat];
    if (Fault f = sessions[seat]->Start(engine.argv, engine.stderr_log); f) return fail(seat, f, 0);
  }
  for (int seat = 0; seat < 2; ++seat) {
    if (Fault f = sessions[seat]->Send("NEWGAME", stall_limit); f) return fail(seat, f, 0);
    if (Fault f = sessions[seat]->WaitReady(Millis(rules.ready_timeout), kResendInterval); f) {
      return fail(seat, f, 0);
    }
  }

  sim::RandomStream stream{config_.seed, config_.stream, 0};
  const sim::Rules physics_rules{rules.free_guard_zone};
  GameState state{};
  int first_seat = 0;
  int end = 0;
  if (config_.start) {
    end = config_.start->end;
    first_seat = config_.start->first_seat;
    total = config_.start->total;
  }
  for (;; ++end) {
    const bool regular = end < rules.ends;
    if (!regular && total[0] != total[1]) break;
    if (end >= rules.ends + rules.extra_ends) break;

    state.CurEnd = end;
    state.LastEnd = regular ? rules.ends - 1 : end;
    const bool start_end = config_.start && end == config_.start->end;
    for (int i = 0; i < 16; ++i)
      state.Stones[i] = start_end ? config_.start->stones[i] : StonePosition{0.0f, 0.0f};
    for (int shot = start_end ? config_.start->shot : 0; shot < 16; ++shot) {
      const int seat = shot % 2 == 0 ? first_seat : 1 - first_seat;
      state.ShotNum = shot;
      state.NextSide = static_cast<uint8_t>(seat);
      for (GameObserver* observer : observers_)
        observer->OnShotStart(end, shot, seat);

      EngineSession& engine = *sessions[seat];
      ShotRecord record;
      record.end = end;
      record.shot = shot;
      record.seat = seat;
      record.before = state;
      if (Fault f = engine.Send(ProtocolState::PositionCommand(state), stall_limit); f) {
        return fail(seat, f, end);
      }
      if (Fault f = engine.Send(ProtocolState::SetStateCommand(state), stall_limit); f) {
        return fail(seat, f, end);
      }
      const std::array<double, 2> left{rules.time_budget - used[0], rules.time_budget - used[1]};
      if (Fault f = engine.Send(ProtocolState::ScoreCommand(total, seat), stall_limit); f) {
        return fail(seat, f, end);
      }
      if (Fault f = engine.Send(ProtocolState::TimeCommand(left, seat), stall_limit); f) {
        return fail(seat, f, end);
      }
      const double budget = left[seat];
      if (Fault f = engine.Go(std::chrono::duration<double>(std::max(budget, 0.0)), record.answer);
          f) {
        if (f.kind == FaultKind::kTime) {
          f.reason += " (" + std::to_string(static_cast<int>(rules.time_budget)) + " s per game)";
        }
        return fail(seat, f, end);
      }
      used[seat] += record.answer.thinking_seconds;
      record.budget_left = rules.time_budget - used[seat];

      record.outcome = player_(state, record.answer.reply.shot, rules.error, stream, physics_rules);
      std::copy(std::begin(record.outcome.final_state.Stones),
                std::end(record.outcome.final_state.Stones), std::begin(state.Stones));
      for (GameObserver* observer : observers_)
        observer->OnShot(record);
    }

    EndRecord end_record;
    end_record.end = end;
    end_record.first_seat = first_seat;
    end_record.score = ScoreEnd(state.Stones);
    if (end_record.score.side >= 0) {
      end_record.scoring_seat = end_record.score.side == 0 ? first_seat : 1 - first_seat;
      total[end_record.scoring_seat] += end_record.score.points;
    }
    if (end < 10) {
      const int signed_points = end_record.scoring_seat == 0   ? end_record.score.points
                                : end_record.scoring_seat == 1 ? -end_record.score.points
                                                               : 0;
      state.Score[end] = signed_points;
    }
    end_record.total = total;
    for (GameObserver* observer : observers_)
      observer->OnEnd(end_record);
    first_seat = NextFirstSeat(first_seat, end_record.score);
  }

  GameResult result;
  result.outcome = GameOutcome::kCompleted;
  result.total = total;
  result.ends_played = end;
  result.thinking_seconds = used;
  if (total[0] == total[1]) {
    result.winner = -1;
    result.reason = "draw " + std::to_string(total[0]) + "-" + std::to_string(total[1]) +
                    " after " + std::to_string(end) + " ends";
  } else {
    result.winner = total[0] > total[1] ? 0 : 1;
    result.reason =
        config_.engines[result.winner].name + " wins " + std::to_string(total[result.winner]) +
        "-" + std::to_string(total[1 - result.winner]) + " after " + std::to_string(end) + " ends";
  }
  return Finish(std::move(result), sessions);
}

}  // namespace curling::server
