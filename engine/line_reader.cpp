#include "engine/line_reader.h"

#include <cassert>

namespace curling {
namespace {

bool IsLineEnd(char c) {
  return c == '\n' || c == '\r';
}

}  // namespace

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
  if (!dropping_) handle(pending_.data());
  pending_.clear();
  dropping_ = false;
}

void LineReader::Feed(std::string_view bytes, const LineHandler& handle) {
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

}  // namespace curling
