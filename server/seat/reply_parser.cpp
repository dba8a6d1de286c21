#include "server/seat/reply_parser.h"

#include <cassert>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

namespace curling::server {
namespace {

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Outcome of matching a fixed word at a position.
enum class WordMatch { kNo, kPartial, kYes };

WordMatch MatchWord(std::string_view text, size_t pos, std::string_view word) {
  for (size_t i = 0; i < word.size(); ++i) {
    if (pos + i >= text.size()) return WordMatch::kPartial;
    const auto c = static_cast<unsigned char>(text[pos + i]);
    if (std::toupper(c) != static_cast<unsigned char>(word[i])) return WordMatch::kNo;
  }
  return WordMatch::kYes;
}

size_t SkipSpaces(std::string_view text, size_t pos) {
  while (pos < text.size() && IsSpace(text[pos]))
    ++pos;
  return pos;
}

// A number token: the longest run of characters that can belong to a decimal
// number, or to the words inf / nan that a printf of a non-finite value
// gives. Letters other than those stop the token, so "0.5BESTSHOT" yields
// "0.5". `complete` is false when the token runs to the end of the text.
struct NumberToken {
  std::string_view text;
  bool complete = false;
};

NumberToken TakeNumberToken(std::string_view text, size_t pos) {
  size_t end = pos;
  if (end < text.size() && (text[end] == '+' || text[end] == '-')) ++end;
  const size_t body = end;
  // Non-finite spellings: inf, infinity, nan, nan(...).
  for (std::string_view word : {"INFINITY", "INF", "NAN"}) {
    if (MatchWord(text, body, word) == WordMatch::kYes) {
      end = body + word.size();
      if (word == "NAN" && end < text.size() && text[end] == '(') {
        while (end < text.size() && text[end] != ')')
          ++end;
        if (end < text.size()) ++end;
      }
      return {text.substr(pos, end - pos), end < text.size()};
    }
  }
  while (end < text.size() && (IsDigit(text[end]) || text[end] == '.'))
    ++end;
  if (end < text.size() && end > body && (text[end] == 'e' || text[end] == 'E')) {
    size_t exp = end + 1;
    if (exp < text.size() && (text[exp] == '+' || text[exp] == '-')) ++exp;
    if (exp < text.size() && IsDigit(text[exp])) {
      end = exp;
      while (end < text.size() && IsDigit(text[end]))
        ++end;
    } else if (exp >= text.size()) {
      return {text.substr(pos, end - pos), false};  // exponent may follow
    }
  }
  return {text.substr(pos, end - pos), end < text.size()};
}

// Converts a whole token; nullopt when it is not a number at all.
std::optional<double> ToDouble(std::string_view token) {
  if (token.empty()) return std::nullopt;
  const std::string copy(token);
  char* end = nullptr;
  const double value = std::strtod(copy.c_str(), &end);  // "C" locale in this program
  if (end != copy.c_str() + copy.size()) return std::nullopt;
  return value;
}

std::optional<long long> ToInteger(std::string_view token) {
  long long value = 0;
  const char* first = token.data();
  if (!token.empty() && token[0] == '+') ++first;
  const auto [ptr, ec] = std::from_chars(first, token.data() + token.size(), value);
  if (ec != std::errc() || ptr != token.data() + token.size() || first == ptr) {
    return std::nullopt;
  }
  return value;
}

std::string Quote(std::string_view text) {
  std::string out = "\"";
  for (char c : text.substr(0, 60)) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 0x20 && u < 0x7f) {
      out += c;
    } else {
      static const char* kHex = "0123456789abcdef";
      out += "\\x";
      out += kHex[u >> 4];
      out += kHex[u & 15];
    }
  }
  if (text.size() > 60) out += "...";
  return out + "\"";
}

// What reading one text of a reply came to.
struct TextRead {
  ReplyStatus status;  // kComplete: the text was read, up to `end`
  size_t end = 0;
  std::string fault;  // why the text is malformed, with kFault
};

TextRead Read(size_t end) {
  return {ReplyStatus::kComplete, end, {}};
}
TextRead Incomplete() {
  return {ReplyStatus::kIncomplete, 0, {}};
}
TextRead Malformed(std::string why) {
  return {ReplyStatus::kFault, 0, std::move(why)};
}

// Each reader gets the text and the position of its word, which has matched.
using TextReader = TextRead (*)(std::string_view text, size_t pos, bool at_end_of_data,
                                ShotReply& reply);

TextRead SkipReady(std::string_view, size_t pos, bool, ShotReply&) {
  return Read(pos + 7);
}

TextRead ReadShotNum(std::string_view text, size_t pos, bool, ShotReply& reply) {
  const NumberToken token = TakeNumberToken(text, pos + 8);
  if (!token.complete) return Incomplete();
  const auto value = ToInteger(token.text);
  if (!value || *value < 0 || *value > 1'000'000'000) {
    return Malformed("malformed ShotNum text " + Quote(text.substr(pos)));
  }
  reply.shot_num = static_cast<int>(*value);
  return Read(pos + 8 + token.text.size());
}

TextRead ReadMeanScore(std::string_view text, size_t pos, bool, ShotReply& reply) {
  const NumberToken token = TakeNumberToken(text, pos + 10);
  if (!token.complete) return Incomplete();
  const auto value = ToDouble(token.text);
  if (!value || !std::isfinite(*value)) {
    return Malformed("malformed or non-finite MeanScore text " + Quote(text.substr(pos)));
  }
  reply.mean_score = *value;
  return Read(pos + 10 + token.text.size());
}

TextRead ReadBestShot(std::string_view text, size_t pos, bool at_end_of_data, ShotReply& reply) {
  const std::string_view rest = text.substr(pos);
  size_t at = pos + 8;
  std::string_view tokens[3];
  for (int i = 0; i < 3; ++i) {
    if (at == text.size()) return Incomplete();
    if (text[at] != ' ') return Malformed("malformed BESTSHOT text " + Quote(rest));
    while (at < text.size() && text[at] == ' ')
      ++at;
    if (at == text.size()) return Incomplete();
    const NumberToken token = TakeNumberToken(text, at);
    // A curl flag of 0 or 1 is whole: any digit after it would make the
    // reply malformed anyway, so a sound reply completes without delay.
    const bool whole_flag = i == 2 && (token.text == "0" || token.text == "1");
    if (!token.complete && (i < 2 || !(at_end_of_data || whole_flag))) return Incomplete();
    if (token.text.empty()) return Malformed("malformed BESTSHOT text " + Quote(rest));
    tokens[i] = token.text;
    at += token.text.size();
  }
  const auto vx = ToDouble(tokens[0]);
  const auto vy = ToDouble(tokens[1]);
  const auto curl = ToInteger(tokens[2]);
  if (!vx || !vy || !curl) return Malformed("malformed BESTSHOT text " + Quote(rest));
  const auto fx = static_cast<float>(*vx);
  const auto fy = static_cast<float>(*vy);
  if (!std::isfinite(fx) || !std::isfinite(fy)) {
    return Malformed("non-finite delivery in " + Quote(rest.substr(0, at - pos)));
  }
  if (*curl != 0 && *curl != 1) {
    return Malformed("curl flag other than 0 or 1 in " + Quote(rest.substr(0, at - pos)));
  }
  // Nothing but white space may follow: the engine owes no further text.
  if (SkipSpaces(text, at) != text.size()) {
    return Malformed("text after BESTSHOT: " + Quote(text.substr(at)));
  }
  reply.shot = ShotVector{fx, fy, static_cast<uint8_t>(*curl), {0, 0, 0}};
  return Read(at);
}

// The texts of a shot reply, tried in this order; BESTSHOT ends the reply.
// A READYOK that a re-sent ISREADY caused is skipped.
struct ReplyText {
  std::string_view word;
  TextReader read;
};
constexpr ReplyText kReplyTexts[] = {{"READYOK", SkipReady},
                                     {"SHOTNUM:", ReadShotNum},
                                     {"MEANSCORE:", ReadMeanScore},
                                     {"BESTSHOT", ReadBestShot}};

}  // namespace

ReplyStatus ReplyParser::Fail(std::string why) {
  fault_ = std::move(why);
  return ReplyStatus::kFault;
}

ReplyStatus ReplyParser::ParseReady() {
  const std::string_view text = buffer_;
  const size_t pos = SkipSpaces(text, 0);
  if (pos == text.size()) return ReplyStatus::kIncomplete;
  switch (MatchWord(text, pos, "READYOK")) {
    case WordMatch::kPartial:
      return ReplyStatus::kIncomplete;
    case WordMatch::kNo:
      return Fail("expected READYOK, received " + Quote(text.substr(pos)));
    case WordMatch::kYes:
      break;
  }
  last_texts_ = buffer_.substr(0, pos + 7);
  buffer_.erase(0, pos + 7);
  return ReplyStatus::kComplete;
}

ReplyStatus ReplyParser::ParseShot(bool at_end_of_data) {
  const std::string_view text = buffer_;
  ShotReply reply;
  size_t pos = 0;
  while (true) {
    pos = SkipSpaces(text, pos);
    if (pos == text.size()) return ReplyStatus::kIncomplete;
    const ReplyText* found = nullptr;
    for (const ReplyText& candidate : kReplyTexts) {
      const WordMatch match = MatchWord(text, pos, candidate.word);
      if (match == WordMatch::kPartial) return ReplyStatus::kIncomplete;
      if (match == WordMatch::kYes) {
        found = &candidate;
        break;
      }
    }
    if (found == nullptr) return Fail("unexpected text " + Quote(text.substr(pos)));
    const TextRead read = found->read(text, pos, at_end_of_data, reply);
    if (read.status == ReplyStatus::kFault) return Fail(read.fault);
    if (read.status == ReplyStatus::kIncomplete) return ReplyStatus::kIncomplete;
    // Each text read takes at least its word, so the loop moves on.
    assert(read.end > pos && read.end <= text.size());
    pos = read.end;
    if (found->read == ReadBestShot) break;
  }
  shot_ = reply;
  last_texts_ = buffer_.substr(0, pos);
  buffer_.erase(0, pos);
  return ReplyStatus::kComplete;
}

}  // namespace curling::server
