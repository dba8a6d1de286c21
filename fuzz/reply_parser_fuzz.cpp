// The server's parser of engine replies over arbitrary bytes, arriving in
// pieces as a pipe may deliver them. The first byte picks the piece size and
// whether a READYOK is awaited first; the parser is asked after every piece,
// as the server does, and once more at the end of the data. A reply taken as
// complete must hold finite speeds and a curl flag of 0 or 1; a fault must
// say why; nothing is consumed that was not received.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "server/seat/reply_parser.h"

namespace {

using curling::server::ReplyParser;
using curling::server::ReplyStatus;

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "reply_parser_fuzz: %s\n", what);
  std::abort();
}

// Checks one answer of the parser; false when the conversation is over.
bool Check(ReplyStatus status, const ReplyParser& parser, bool shot, size_t& consumed) {
  if (status == ReplyStatus::kFault) {
    if (parser.fault().empty()) Fail("a fault without a reason");
    return false;
  }
  if (status == ReplyStatus::kComplete) {
    consumed += parser.last_texts().size();
    if (parser.last_texts().empty()) Fail("a complete reply of no bytes");
    if (shot) {
      const ShotVector& s = parser.shot().shot;
      if (!std::isfinite(s.vx) || !std::isfinite(s.vy)) Fail("a non-finite delivery accepted");
      if (s.curl > 1) Fail("a curl flag other than 0 or 1 accepted");
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const size_t piece = 1 + (data[0] & 0x3f);
  bool awaiting_ready = (data[0] & 0x40) != 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);

  ReplyParser parser;
  size_t consumed = 0;
  auto ask = [&](bool at_end) {
    const bool shot = !awaiting_ready;
    const ReplyStatus status = shot ? parser.ParseShot(at_end) : parser.ParseReady();
    if (status == ReplyStatus::kComplete && !shot) awaiting_ready = false;
    return Check(status, parser, shot, consumed);
  };
  for (size_t at = 0; at < bytes.size(); at += piece) {
    parser.Append(bytes.substr(at, piece));
    if (!ask(false)) return 0;
    if (consumed + parser.pending().size() != std::min(bytes.size(), at + piece)) {
      Fail("bytes lost or invented");
    }
  }
  ask(true);
  return 0;
}
