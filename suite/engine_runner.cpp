#include "suite/engine_runner.h"

#include <chrono>
#include <cstdio>
#include <memory>

#include "server/game/game.h"
#include "server/seat/engine_session.h"

namespace curling::suite {
namespace {

using std::chrono::duration;
using std::chrono::milliseconds;

constexpr auto kResendInterval = milliseconds(500);
constexpr auto kStopGrace = milliseconds(500);

milliseconds Milliseconds(double seconds) {
  return milliseconds(static_cast<long long>(seconds * 1000.0));
}

EngineAnswer FaultAnswer(const server::Fault& fault) {
  EngineAnswer a;
  a.fault_kind = server::FaultKindName(fault.kind);
  a.fault = fault.reason;
  return a;
}

class EngineSeat {
 public:
  explicit EngineSeat(const EngineRunSettings& settings) : settings_(settings) {}
  ~EngineSeat() {
    if (session_) session_->Stop(kStopGrace);
  }

  EngineAnswer Ask(const SuitePosition& position) {
    const milliseconds stall = Milliseconds(settings_.ready_timeout);
    if (!session_) {
      session_ = std::make_unique<server::EngineSession>(settings_.engine.name);
      const server::EngineCommand& e = settings_.engine;
      if (server::Fault f = session_->Start(e.argv, e.stderr_log, e.working_folder)) return Lost(f);
    }
    if (server::Fault f = session_->Send("NEWGAME", stall)) return Lost(f);
    if (server::Fault f = session_->WaitReady(stall, kResendInterval)) return Lost(f);
    for (const std::string& command : PositionCommands(position, settings_.seconds)) {
      if (server::Fault f = session_->Send(command, stall)) return Lost(f);
    }
    server::ShotAnswer answer;
    if (server::Fault f = session_->Go(duration<double>(settings_.seconds), answer)) return Lost(f);
    EngineAnswer a;
    a.shot = answer.reply.shot;
    a.thinking_seconds = answer.thinking_seconds;
    return a;
  }

 private:
  // After a fault the engine is killed; the next position starts a new one.
  EngineAnswer Lost(const server::Fault& fault) {
    session_->Kill();
    session_.reset();
    return FaultAnswer(fault);
  }

  const EngineRunSettings& settings_;
  std::unique_ptr<server::EngineSession> session_;
};

}  // namespace

std::vector<std::string> PositionCommands(const SuitePosition& position, double seconds) {
  const GameState state = StateOf(position);
  // Seen from the side to throw, seat 0 here.
  const std::array<int, 2> score{position.context.own_score, position.context.opponent_score};
  return {server::ProtocolState::PositionCommand(state),
          server::ProtocolState::SetStateCommand(state),
          server::ProtocolState::ScoreCommand(score, 0),
          server::ProtocolState::TimeCommand({seconds, seconds}, 0)};
}

std::vector<EngineAnswer> AskEngine(const Suite& suite, const EngineRunSettings& settings,
                                    bool progress) {
  EngineSeat seat(settings);
  std::vector<EngineAnswer> answers;
  for (const SuitePosition& p : suite.positions) {
    answers.push_back(seat.Ask(p));
    const EngineAnswer& a = answers.back();
    if (!progress) continue;
    if (a.shot) {
      std::fprintf(stderr, "%zu/%zu %s: BESTSHOT %g %g %d (%.2f s)\n", answers.size(),
                   suite.positions.size(), p.id.c_str(), a.shot->vx, a.shot->vy, a.shot->curl,
                   a.thinking_seconds);
    } else {
      std::fprintf(stderr, "%zu/%zu %s: fault (%s): %s\n", answers.size(), suite.positions.size(),
                   p.id.c_str(), a.fault_kind.c_str(), a.fault.c_str());
    }
  }
  return answers;
}

}  // namespace curling::suite
