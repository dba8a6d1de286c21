// The protocol's line reader and the engine's command handler over arbitrary input, cut into
// reads the way a pipe may deliver it. The first byte picks the read size
// (short reads, full 1024-byte reads); the rest is the input. Every reply must
// be one of the protocol's texts: "READYOK", "ShotNum:%d", "MeanScore:%f" or
// "BESTSHOT %f %f %d" with finite speeds and a curl flag of 0 or 1.
//
// GO runs the real decision and search against a stand-in library that costs
// next to nothing; at most kMaxGo GOs of an input are handed over, so one
// input stays a fraction of a second.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "engine/command_handler.h"
#include "game/simulator_binding.h"
#include "protocol/command_words.h"
#include "protocol/line_reader.h"
#include "protocol/read_loop.h"

namespace {

constexpr int kMaxGo = 4;

[[noreturn]] void Fail(const char* what, const char* text) {
  std::fprintf(stderr, "engine_commands_fuzz: %s: \"%s\"\n", what, text);
  std::abort();
}

bool IsInteger(const char* text) {
  if (*text == '-') ++text;
  if (*text == '\0') return false;
  for (; *text != '\0'; ++text) {
    if (*text < '0' || *text > '9') return false;
  }
  return true;
}

void CheckReply(const char* text) {
  if (std::strcmp(text, "READYOK") == 0) return;
  if (std::strncmp(text, "ShotNum:", 8) == 0) {
    if (!IsInteger(text + 8)) Fail("malformed ShotNum", text);
    return;
  }
  if (std::strncmp(text, "MeanScore:", 10) == 0) {
    char* end = nullptr;
    const double mean = std::strtod(text + 10, &end);
    if (*end != '\0' || !std::isfinite(mean)) Fail("malformed MeanScore", text);
    return;
  }
  float vx = 0, vy = 0;
  int curl = -1, length = 0;
  if (std::sscanf(text, "BESTSHOT %f %f %d%n", &vx, &vy, &curl, &length) != 3 ||
      text[length] != '\0') {
    Fail("not a protocol reply", text);
  }
  if (!std::isfinite(vx) || !std::isfinite(vy)) Fail("non-finite delivery", text);
  if (curl != 0 && curl != 1) Fail("curl flag other than 0 or 1", text);
}

bool IsGo(const char* line) {
  std::string word;
  curling::protocol::GetWord(word, line, 0);
  return curling::protocol::EqualsIgnoringAsciiCase(word, "GO");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::string reason;
  if (!curling::LoadSimulator(STUB_SIMULATOR_PATH, reason)) {
    std::fprintf(stderr, "engine_commands_fuzz: %s\n", reason.c_str());
    std::abort();
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const size_t read_size = data[0] == 0xff ? curling::protocol::kReadBufferSize : 1 + data[0] * 4u;
  const std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);

  curling::CommandHandler commands(CheckReply);
  curling::protocol::LineReader reader(curling::protocol::kReadBufferSize);
  int go_count = 0;
  const curling::protocol::LineReader::LineHandler handle = [&](char* line) {
    if (std::strlen(line) > curling::protocol::LineReader::kMaxLineLength)
      Fail("line too long", "");
    if (IsGo(line) && ++go_count > kMaxGo) return;
    commands.Handle(line);
  };
  for (size_t at = 0; at < input.size(); at += read_size) {
    reader.Feed(input.substr(at, read_size), handle);
    if (reader.PendingSize() > curling::protocol::LineReader::kMaxLineLength)
      Fail("pending line", "");
  }
  reader.Finish(handle);
  return 0;
}
