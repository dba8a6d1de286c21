// Reads an engine's reply stream, which carries no line ends: texts stand
// directly side by side ("ShotNum:412MeanScore:0.250000BESTSHOT 0.1 -2.3 1").
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "curling_simulator/records.h"

namespace curling::server {

// What the texts received so far amount to.
enum class ReplyStatus {
  kIncomplete,  // nothing wrong yet, more bytes needed
  kComplete,    // the awaited text arrived
  kFault,       // malformed text: a protocol fault
};

struct ShotReply {
  ShotVector shot{};
  std::optional<int> shot_num;       // "ShotNum:%d", if sent
  std::optional<double> mean_score;  // "MeanScore:%f", if sent
};

// Parses the bytes one engine sends. Between texts, white space (including
// line ends some engines add) is skipped, and so is any "READYOK", which a
// re-sent "ISREADY" may have caused. Words are matched case-insensitively.
class ReplyParser {
 public:
  void Append(std::string_view bytes) { buffer_.append(bytes); }

  // Looks for "READYOK". On completion the text is consumed.
  ReplyStatus ParseReady();

  // Looks for "BESTSHOT x y c", recording "ShotNum:"/"MeanScore:" texts that
  // come first. A reply ending in the curl flag 0 or 1 is complete at once;
  // one that ends in anything that could still go on ("-", "1e") only when
  // `at_end_of_data` says no more bytes follow for now. On completion the
  // reply is consumed.
  ReplyStatus ParseShot(bool at_end_of_data);

  const ShotReply& shot() const { return shot_; }
  // Why the stream is malformed, after kFault.
  const std::string& fault() const { return fault_; }
  // Everything received and not yet consumed.
  const std::string& pending() const { return buffer_; }
  // The texts consumed by the last completed reply, as received.
  const std::string& last_texts() const { return last_texts_; }

 private:
  ReplyStatus Fail(std::string why);

  std::string buffer_;
  std::string fault_;
  std::string last_texts_;
  ShotReply shot_;
};

}  // namespace curling::server
