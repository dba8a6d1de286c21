#include "server/text/bounded_line_reader.h"

namespace curling::server {

LineRead BoundedLineReader::Next(std::string& line) {
  line.clear();
  std::streambuf* buffer = in_.rdbuf();
  if (buffer == nullptr || !in_.good()) return in_.bad() ? LineRead::kFailed : LineRead::kEnd;
  ++line_number_;
  while (true) {
    const std::streambuf::int_type c = buffer->sbumpc();
    if (std::streambuf::traits_type::eq_int_type(c, std::streambuf::traits_type::eof())) {
      in_.setstate(std::ios::eofbit);
      if (line.empty()) return LineRead::kEnd;
      break;
    }
    if (++total_ > max_total_) return LineRead::kTooMuch;
    if (c == '\n') break;
    if (line.size() >= max_line_) return LineRead::kTooLong;
    line.push_back(static_cast<char>(c));
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return LineRead::kLine;
}

}  // namespace curling::server
