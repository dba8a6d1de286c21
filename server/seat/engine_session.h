// The server's side of the conversation with one engine: commands out, the
// reply texts in, every failure turned into a fault with a reason.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "server/seat/engine_process.h"
#include "server/seat/reply_parser.h"

namespace curling::server {

enum class FaultKind {
  kNone,
  kStart,        // could not be started
  kNotReady,     // no READYOK in time
  kTime,         // thinking-time budget exceeded
  kCrash,        // exited, was killed, or closed a pipe
  kProtocol,     // malformed, non-finite or otherwise wrong text
  kStalled,      // stopped reading its input
  kInterrupted,  // the server was asked to stop: nobody's fault
};

const char* FaultKindName(FaultKind kind);
// The kind of a name FaultKindName gives; kNone for any other text.
FaultKind FaultKindFromName(std::string_view name);

struct Fault {
  FaultKind kind = FaultKind::kNone;
  std::string reason;
  explicit operator bool() const { return kind != FaultKind::kNone; }
};

// One complete answer to "GO".
struct ShotAnswer {
  ShotReply reply;
  std::string texts;        // the bytes of the answer as received
  double thinking_seconds;  // from "GO" written to the last byte of the answer
};

class EngineSession {
 public:
  explicit EngineSession(std::string name) : name_(std::move(name)) {}

  Fault Start(const std::vector<std::string>& argv, const std::string& stderr_log,
              const std::string& working_folder = {});

  // Sends one command (a line end is not added). `stall_limit` bounds the wait
  // for the engine to read the previous command. `writing` as for
  // EngineProcess::Send.
  Fault Send(std::string_view command, std::chrono::milliseconds stall_limit,
             Clock::time_point* writing = nullptr);

  // "ISREADY" until "READYOK" comes back, re-sent every `resend_interval`.
  Fault WaitReady(std::chrono::milliseconds timeout, std::chrono::milliseconds resend_interval);

  // Sends "GO" and waits for the answer within `budget` of thinking time,
  // counted from the moment "GO" is written (not the wait for the engine to
  // read the commands before it) to the read of the answer's last byte.
  Fault Go(std::chrono::duration<double> budget, ShotAnswer& answer);

  // Everything received that no answer has consumed (for reports).
  const std::string& pending() const { return parser_.pending(); }

  // Polls for `window` and returns whatever arrives (for the compliance check).
  Fault Collect(std::chrono::milliseconds window, std::string& out);

  void set_stop_flag(const std::atomic<bool>* flag) { process_.set_stop_flag(flag); }
  void Stop(std::chrono::milliseconds grace) { process_.Stop(grace); }
  void Kill() { process_.Kill(); }
  bool running() { return process_.running(); }
  std::string ExitDescription() { return process_.ExitDescription(); }
  const std::string& name() const { return name_; }

 private:
  Fault ClosedFault(std::string_view during);
  Fault FromStatus(IoStatus status, std::string_view during, FaultKind timeout_kind);

  std::string name_;
  EngineProcess process_;
  ReplyParser parser_;
};

}  // namespace curling::server
