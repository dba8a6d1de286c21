// Reads text line by line with a cap on the length of a line and on the bytes
// of the whole input, so that a hostile file (/dev/zero, an endless stream of
// line ends) ends in a clear error instead of filling memory or never ending.
#pragma once

#include <cstddef>
#include <istream>
#include <string>

namespace curling::server {

enum class LineRead {
  kLine,     // a line was read (a last line without a line end counts)
  kEnd,      // no more input
  kTooLong,  // the line grew beyond the cap before its line end
  kTooMuch,  // the input grew beyond its cap
  kFailed,   // the stream reported a read error
};

class BoundedLineReader {
 public:
  BoundedLineReader(std::istream& in, size_t max_line, size_t max_total)
      : in_(in), max_line_(max_line), max_total_(max_total) {}

  // The next line, without its line feed (a carriage return before it is
  // removed too).
  LineRead Next(std::string& line);

  // 1-based number of the line last read (or being read when it failed).
  int line_number() const { return line_number_; }

 private:
  std::istream& in_;
  size_t max_line_;
  size_t max_total_;
  size_t total_ = 0;
  int line_number_ = 0;
};

}  // namespace curling::server
