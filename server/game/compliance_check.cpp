#include "server/game/compliance_check.h"

#include <cmath>
#include <thread>

#include <fmt/format.h>

#include "server/game/game.h"
#include "server/seat/engine_session.h"
#include "server/text/float_text.h"

namespace curling::server {
namespace {

using std::chrono::milliseconds;

// How long the engine is watched for text it should not send.
constexpr auto kQuietWindow = milliseconds(150);

std::string Shown(const std::string& text) {
  std::string out = "\"";
  for (char c : text.substr(0, 120)) {
    const auto u = static_cast<unsigned char>(c);
    out += (u >= 0x20 && u < 0x7f) ? std::string(1, c) : fmt::format("\\x{:02x}", u);
  }
  if (text.size() > 120) out += "...";
  return out + "\"";
}

class CheckReport {
 public:
  explicit CheckReport(std::ostream& out) : out_(out) {}
  void Step(bool passed, const std::string& what, const std::string& detail) {
    out_ << (passed ? "PASS  " : "FAIL  ") << what;
    if (!detail.empty()) out_ << ": " << detail;
    out_ << '\n';
    out_.flush();
    all_passed_ = all_passed_ && passed;
  }
  bool all_passed() const { return all_passed_; }

 private:
  std::ostream& out_;
  bool all_passed_ = true;
};

GameState CheckPosition(int shot) {
  GameState state{};
  state.ShotNum = shot;
  state.CurEnd = 3;
  state.LastEnd = 7;
  // A few stones in and around the house, on both sides, thrown before `shot`.
  const StonePosition spots[] = {{2.375f, 5.2f}, {2.0f, 4.5f},  {2.6f, 7.5f}, {2.9f, 4.9f},
                                 {1.8f, 6.0f},   {2.4f, 3.9f},  {2.2f, 8.5f}, {3.1f, 5.6f},
                                 {2.5f, 4.7f},   {1.6f, 4.2f},  {2.3f, 6.8f}, {2.75f, 4.3f},
                                 {2.1f, 5.5f},   {2.45f, 9.0f}, {0.0f, 0.0f}, {0.0f, 0.0f}};
  for (int i = 0; i < shot && i < 16; ++i)
    state.Stones[i] = spots[i];
  return state;
}

// The conversation, step by step; each step that cannot go on says so and
// ends the check.
class Conversation {
 public:
  Conversation(const CheckSettings& settings, std::ostream& out)
      : report_(out),
        ready_timeout_(MillisecondsFrom(settings.ready_timeout)),
        go_timeout_(settings.go_timeout),
        session_("engine") {}

  bool Start(const std::vector<std::string>& engine, const std::string& stderr_log) {
    const Fault f = session_.Start(engine, stderr_log);
    report_.Step(!f, "engine starts", f.reason);
    return !f;
  }

  // Readiness in three spellings; the answer must be exactly READYOK.
  bool Readiness() {
    for (const char* word : {"ISREADY", "isready", "IsReady"}) {
      if (!ReadyAnswer(word)) return false;
    }
    return true;
  }

  // Commands without an answer: nothing may come back.
  bool Quiet(const std::string& command, const std::string& what) {
    if (Fault f = session_.Send(command, ready_timeout_); f) {
      report_.Step(false, what, f.reason);
      return false;
    }
    std::string received;
    const Fault f = session_.Collect(kQuietWindow, received);
    report_.Step(!f && received.empty(), what,
                 f                  ? f.reason
                 : received.empty() ? "no reply"
                                    : "received " + Shown(received));
    return !f;
  }

  // "GO" at `shot`, with lower-case command words from shot 5 on.
  bool GoAt(int shot) {
    GameState state = CheckPosition(shot);
    state.NextSide = static_cast<uint8_t>(shot % 2);
    std::string position = ProtocolState::PositionCommand(state);
    std::string set_state = ProtocolState::SetStateCommand(state);
    const bool lower = shot >= 5;
    if (lower) {
      position.replace(0, 8, "position");
      set_state.replace(0, 8, "setstate");
    }
    if (!Quiet(position, fmt::format("{} for shot {} accepted silently",
                                     lower ? "position" : "POSITION", shot)) ||
        !Quiet(set_state, fmt::format("{} accepted silently", set_state))) {
      return false;
    }
    ShotAnswer answer;
    const Fault f = session_.Go(std::chrono::duration<double>(go_timeout_), answer);
    const std::string what = fmt::format("GO at shot {} answered by BESTSHOT", shot);
    if (f) {
      std::string detail = f.reason;
      if (!session_.pending().empty()) detail += "; received " + Shown(session_.pending());
      report_.Step(false, what, detail);
      return false;
    }
    report_.Step(true, what, AnswerDetail(answer, shot));
    return true;
  }

  // The engine should end by itself once its input closes.
  void Exit() {
    session_.Stop(milliseconds(2000));
    const std::string how = session_.ExitDescription();
    report_.Step(
        how.rfind("exited", 0) == 0, "engine ends when its input closes",
        how.find("signal 9") != std::string::npos ? "still running after 2 s; killed" : how);
  }

  bool all_passed() const { return report_.all_passed(); }

 private:
  bool ReadyAnswer(const char* word) {
    if (Fault f = session_.Send(word, ready_timeout_); f) {
      report_.Step(false, fmt::format("{} answered", word), f.reason);
      return false;
    }
    std::string received;
    const auto deadline = DeadlineAfter(ready_timeout_);
    while (received.find("READYOK") == std::string::npos &&
           std::chrono::steady_clock::now() < deadline) {
      std::string more;
      if (Fault f = session_.Collect(milliseconds(50), more); f) {
        report_.Step(false, fmt::format("{} answered", word), f.reason);
        return false;
      }
      received += more;
    }
    // Let anything sent after READYOK (a line end, say) arrive as well.
    std::string tail;
    session_.Collect(milliseconds(100), tail);
    received += tail;
    const bool exact = received == "READYOK";
    const bool found = received.find("READYOK") != std::string::npos;
    report_.Step(exact, fmt::format("{} answered by READYOK without a line end", word),
                 "received " + Shown(received) +
                     (exact   ? ""
                      : found ? " (extra bytes around READYOK)"
                              : " (no READYOK)"));
    return true;
  }

  static std::string AnswerDetail(const ShotAnswer& answer, int shot) {
    std::string detail =
        fmt::format("received {} in {:.2f} s", Shown(answer.texts), answer.thinking_seconds);
    if (shot >= 14) {
      detail += answer.reply.shot_num ? fmt::format("; ShotNum {}", *answer.reply.shot_num)
                                      : "; no ShotNum text";
      detail += answer.reply.mean_score ? fmt::format("; MeanScore {}", *answer.reply.mean_score)
                                        : "; no MeanScore text";
    }
    return detail;
  }

  CheckReport report_;
  milliseconds ready_timeout_;
  double go_timeout_;
  EngineSession session_;
};

}  // namespace

bool RunComplianceCheck(const std::vector<std::string>& engine, const std::string& stderr_log,
                        const CheckSettings& settings, std::ostream& report) {
  Conversation check(settings, report);
  if (!check.Start(engine, stderr_log) || !check.Readiness() ||
      !check.Quiet("NEWGAME", "NEWGAME accepted silently")) {
    return false;
  }
  for (int shot : {0, 5, 14, 15}) {
    if (!check.GoAt(shot)) return false;
  }
  check.Exit();
  return check.all_passed();
}

}  // namespace curling::server
