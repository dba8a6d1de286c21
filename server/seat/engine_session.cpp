#include "server/seat/engine_session.h"

#include <cassert>
#include <thread>

namespace curling::server {
namespace {

// How long a reply whose last byte could be followed by more digits is given
// to continue before it is taken as complete.
constexpr auto kSettleTime = std::chrono::milliseconds(20);

// No well-formed answer comes near this; an engine that floods the pipe
// (with white space, say) is stopped here instead of filling memory.
constexpr size_t kMaxPendingBytes = 64 * 1024;

}  // namespace

const char* FaultKindName(FaultKind kind) {
  switch (kind) {
    case FaultKind::kNone:
      return "none";
    case FaultKind::kStart:
      return "start";
    case FaultKind::kNotReady:
      return "not ready";
    case FaultKind::kTime:
      return "time";
    case FaultKind::kCrash:
      return "crash";
    case FaultKind::kProtocol:
      return "protocol";
    case FaultKind::kStalled:
      return "stalled";
    case FaultKind::kInterrupted:
      return "interrupted";
  }
  return "unknown";
}

FaultKind FaultKindFromName(std::string_view name) {
  for (FaultKind kind :
       {FaultKind::kStart, FaultKind::kNotReady, FaultKind::kTime, FaultKind::kCrash,
        FaultKind::kProtocol, FaultKind::kStalled, FaultKind::kInterrupted}) {
    if (name == FaultKindName(kind)) return kind;
  }
  return FaultKind::kNone;
}

Fault EngineSession::Start(const std::vector<std::string>& argv, const std::string& stderr_log,
                           const std::string& working_folder) {
  std::string error;
  if (!process_.Start(argv, stderr_log, working_folder, error)) return {FaultKind::kStart, error};
  return {};
}

Fault EngineSession::ClosedFault(std::string_view during) {
  // Give an exiting engine a moment to be reaped, for an exact description.
  const auto until = Clock::now() + std::chrono::milliseconds(200);
  while (process_.running() && Clock::now() < until) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  std::string how = process_.running() ? "closed its pipe" : process_.ExitDescription();
  return {FaultKind::kCrash, std::string(during) + ": engine " + how};
}

Fault EngineSession::FromStatus(IoStatus status, std::string_view during, FaultKind timeout_kind) {
  switch (status) {
    case IoStatus::kOk:
      return {};
    case IoStatus::kClosed:
      return ClosedFault(during);
    case IoStatus::kInterrupted:
      return {FaultKind::kInterrupted, "interrupted"};
    case IoStatus::kTimeout:
      break;
  }
  return {timeout_kind, std::string(during) + ": timed out"};
}

Fault EngineSession::Send(std::string_view command, std::chrono::milliseconds stall_limit,
                          Clock::time_point* writing) {
  // Commands (GO among them) go only to an engine that was started.
  assert(process_.pid() >= 0);
  const IoStatus status = process_.Send(command, DeadlineAfter(stall_limit), writing);
  std::string during = "sending " + std::string(command.substr(0, command.find(' ')));
  if (status == IoStatus::kTimeout) {
    return {FaultKind::kStalled, during + ": engine stopped reading its input"};
  }
  return FromStatus(status, during, FaultKind::kStalled);
}

Fault EngineSession::WaitReady(std::chrono::milliseconds timeout,
                               std::chrono::milliseconds resend_interval) {
  assert(resend_interval.count() > 0);
  const auto deadline = DeadlineAfter(timeout);
  while (true) {
    if (Fault f = Send("ISREADY", std::chrono::duration_cast<std::chrono::milliseconds>(
                                      std::max(deadline - Clock::now(), Clock::duration{0})));
        f) {
      if (f.kind == FaultKind::kStalled) f.kind = FaultKind::kNotReady;
      return f;
    }
    const auto resend_at = std::min(deadline, DeadlineAfter(resend_interval));
    while (true) {
      switch (parser_.ParseReady()) {
        case ReplyStatus::kComplete:
          return {};
        case ReplyStatus::kFault:
          return {FaultKind::kProtocol, parser_.fault()};
        case ReplyStatus::kIncomplete:
          break;
      }
      std::string bytes;
      const IoStatus status = process_.Read(bytes, resend_at);
      if (status == IoStatus::kTimeout) break;
      if (Fault f = FromStatus(status, "waiting for READYOK", FaultKind::kNotReady); f) return f;
      parser_.Append(bytes);
      if (parser_.pending().size() > kMaxPendingBytes) {
        return {FaultKind::kProtocol, "more than 64 KiB of text without READYOK"};
      }
    }
    if (Clock::now() >= deadline) {
      return {FaultKind::kNotReady,
              "no READYOK within " +
                  std::to_string(std::chrono::duration<double>(timeout).count()).substr(0, 5) +
                  " s"};
    }
  }
}

Fault EngineSession::Go(std::chrono::duration<double> budget, ShotAnswer& answer) {
  // The clock starts as "GO" is written, not when the write returns: the
  // engine it wakes can take the processor, answer and wait again before
  // then, which left fast engines a few microseconds a shot. The wait for
  // the engine to read the commands before it is not thinking time.
  Clock::time_point start{};
  if (Fault f = Send("GO", std::chrono::milliseconds(10'000), &start); f) return f;
  assert(start != Clock::time_point{} && start <= Clock::now());
  const auto deadline = DeadlineAfter(start, MillisecondsFrom(budget.count()));
  auto last_byte = start;
  bool at_end_of_data = false;
  auto take_answer = [&] {
    answer.reply = parser_.shot();
    answer.texts = parser_.last_texts();
    answer.thinking_seconds = std::chrono::duration<double>(last_byte - start).count();
  };
  while (true) {
    switch (parser_.ParseShot(at_end_of_data)) {
      case ReplyStatus::kComplete:
        take_answer();
        return {};
      case ReplyStatus::kFault:
        return {FaultKind::kProtocol, parser_.fault()};
      case ReplyStatus::kIncomplete:
        break;
    }
    if (at_end_of_data) at_end_of_data = false;
    std::string bytes;
    // After some bytes came, wait only a short moment before trying to
    // complete a reply that may end there.
    const bool settle = !parser_.pending().empty();
    const auto wait_until = settle ? std::min(deadline, Clock::now() + kSettleTime) : deadline;
    const IoStatus status = process_.Read(bytes, wait_until);
    if (status == IoStatus::kTimeout) {
      if (Clock::now() >= deadline) {
        return {FaultKind::kTime, "thinking-time budget exceeded"};
      }
      at_end_of_data = true;
      continue;
    }
    if (status == IoStatus::kClosed && !parser_.pending().empty()) {
      // The stream ended: a reply that ends with it is complete (the engine
      // may have left right after answering; the next write will tell).
      if (parser_.ParseShot(true) == ReplyStatus::kComplete) {
        take_answer();
        return {};
      }
    }
    if (Fault f = FromStatus(status, "waiting for BESTSHOT", FaultKind::kTime); f) return f;
    last_byte = Clock::now();
    parser_.Append(bytes);
    if (parser_.pending().size() > kMaxPendingBytes) {
      return {FaultKind::kProtocol, "more than 64 KiB of text without a complete BESTSHOT"};
    }
  }
}

Fault EngineSession::Collect(std::chrono::milliseconds window, std::string& out) {
  const auto deadline = Clock::now() + window;
  out = parser_.pending();
  parser_ = ReplyParser{};
  while (Clock::now() < deadline) {
    const IoStatus status = process_.Read(out, deadline);
    if (status == IoStatus::kTimeout) break;
    if (status != IoStatus::kOk) return FromStatus(status, "reading", FaultKind::kTime);
  }
  return {};
}

}  // namespace curling::server
