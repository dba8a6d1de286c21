// Splits the bytes of successive reads of an engine's input into command lines.
//
// Every line feed or carriage return ends a line, so one read may hold several
// lines; each is handed over in order. The part after the last line end:
//   - when the read came back short, it is handed over as a line of its own
//     (a server that sends no line end, or splits a short line across two
//     writes, gets each part handled as a line);
//   - when the read filled the whole buffer, more of the same line is probably
//     waiting, so it is kept and completed by the next read.
// A line that grows beyond kMaxLineLength without ending is dropped whole, up
// to and including its line end, so memory stays bounded.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace curling::protocol {

class LineReader {
 public:
  // Gets each line, zero-terminated, without its line end; it may change the
  // bytes of the line in place.
  using LineHandler = std::function<void(char* line)>;

  static constexpr size_t kMaxLineLength = 64 * 1024;

  // `read_size` (> 0) is the size of the buffer each read fills at most.
  explicit LineReader(size_t read_size);

  // Hands over the lines that the bytes of one read (at most `read_size`)
  // complete.
  void Feed(std::string_view bytes, const LineHandler& handle);

  // End of input: a line still waiting for its end is handed over.
  void Finish(const LineHandler& handle);

  // Bytes kept back from earlier reads (for tests).
  size_t PendingSize() const { return pending_.size(); }

 private:
  void Append(std::string_view part);
  void Emit(const LineHandler& handle);

  size_t read_size_;
  std::string pending_;    // start of the current line, carried between reads
  bool dropping_ = false;  // the current line grew too long and is discarded
};

}  // namespace curling::protocol
