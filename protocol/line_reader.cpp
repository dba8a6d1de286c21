#include "protocol/line_reader.h"

#include <cassert>

namespace curling::protocol {
namespace {

bool IsLineEnd(char c) {
  return c == '\n' || c == '\r';
}

}  // namespace

LineReader::LineReader(size_t read_size) : read_size_(read_size) {
  assert(read_size > 0);
}

void LineReader::Append(std::string_view part) {
  if (dropping_) return;
  if (pending_.size() + part.size() > kMaxLineLength) {
    pending_.clear();
    pending_.shrink_to_fit();
    dropping_ = true;
    return;
  }
  pending_.append(part);
  assert(pending_.size() <= kMaxLineLength);
}

void LineReader::Emit(const LineHandler& handle) {
  assert(!dropping_ || pending_.empty());
  assert(pending_.find_first_of("\r\n") == std::string::npos);
  if (!dropping_) handle(pending_.data());
  pending_.clear();
  dropping_ = false;
}

void LineReader::Feed(std::string_view bytes, const LineHandler& handle) {
  assert(bytes.size() <= read_size_ && "more bytes than one read can bring");
  size_t start = 0;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (!IsLineEnd(bytes[i])) continue;
    Append(bytes.substr(start, i - start));
    Emit(handle);
    start = i + 1;
  }
  if (start == bytes.size()) return;
  Append(bytes.substr(start));
  if (bytes.size() < read_size_) Emit(handle);
}

void LineReader::Finish(const LineHandler& handle) {
  if (!pending_.empty() || dropping_) Emit(handle);
}

}  // namespace curling::protocol
