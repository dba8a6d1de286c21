#include "baselines/protocol_session.h"

#include <unistd.h>

#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iostream>

namespace curling::baselines {

namespace {

std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> words;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
      ++i;
    const size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t')
      ++i;
    if (i > start) words.push_back(line.substr(start, i - start));
  }
  return words;
}

bool SameWord(std::string_view word, std::string_view command) {
  if (word.size() != command.size()) return false;
  for (size_t i = 0; i < word.size(); ++i) {
    char c = word[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != command[i]) return false;
  }
  return true;
}

// The leading number of a word, or 0 when it has none.
template <typename T>
T Number(std::string_view word) {
  if (!word.empty() && word.front() == '+') word.remove_prefix(1);
  T value{};
  const auto result = std::from_chars(word.data(), word.data() + word.size(), value);
  if (result.ec != std::errc()) return T{};
  return value;
}

bool WriteAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

std::string FormatBestShot(const ShotVector& shot) {
  const float vx = std::isfinite(shot.vx) ? shot.vx : 0.0f;
  const float vy = std::isfinite(shot.vy) ? shot.vy : 0.0f;
  std::array<char, 128> buffer{};
  std::snprintf(buffer.data(), buffer.size(), "BESTSHOT %f %f %d", static_cast<double>(vx),
                static_cast<double>(vy), shot.curl != 0 ? 1 : 0);
  return buffer.data();
}

std::vector<std::string> ProtocolSession::HandleRead(std::string_view bytes) {
  std::vector<std::string> replies;
  size_t start = 0;
  while (start <= bytes.size()) {
    size_t end = bytes.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = bytes.size();
    HandleLine(bytes.substr(start, end - start), replies);
    start = end + 1;
  }
  return replies;
}

void ProtocolSession::HandleLine(std::string_view line, std::vector<std::string>& replies) {
  const size_t nul = line.find('\0');
  if (nul != std::string_view::npos) line = line.substr(0, nul);
  const std::vector<std::string_view> words = Words(line);
  if (words.empty()) return;
  const std::string_view command = words[0];
  if (SameWord(command, "NEWGAME")) {
    state_ = GameState{};
  } else if (SameWord(command, "ISREADY")) {
    replies.emplace_back("READYOK");
  } else if (SameWord(command, "POSITION")) {
    for (size_t k = 0; k < 16; ++k) {
      if (2 * k + 1 >= words.size()) break;
      state_.Stones[k].x = static_cast<float>(Number<double>(words[2 * k + 1]));
      if (2 * k + 2 >= words.size()) break;
      state_.Stones[k].y = static_cast<float>(Number<double>(words[2 * k + 2]));
    }
  } else if (SameWord(command, "SETSTATE")) {
    if (words.size() > 1) state_.ShotNum = Number<int32_t>(words[1]);
    if (words.size() > 2) state_.CurEnd = Number<int32_t>(words[2]);
    if (words.size() > 3) state_.LastEnd = Number<int32_t>(words[3]);
    if (words.size() > 4) state_.NextSide = Number<int32_t>(words[4]) != 0 ? 1 : 0;
  } else if (SameWord(command, "GO")) {
    replies.push_back(FormatBestShot(chooser_(state_)));
  }
}

int RunProtocolLoop(ProtocolSession& session) {
  std::array<char, 4096> buffer{};
  for (;;) {
    const ssize_t n = ::read(STDIN_FILENO, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return 0;
    for (const std::string& reply :
         session.HandleRead(std::string_view(buffer.data(), static_cast<size_t>(n)))) {
      if (!WriteAll(STDOUT_FILENO, reply)) return 0;
    }
  }
}

bool ParseBaselineOptions(int argc, char** argv, int default_samples, BaselineOptions& options) {
  options.samples = default_samples;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const bool has_value = i + 1 < argc;
    if (arg == "--seed" && has_value) {
      const std::string_view v = argv[++i];
      const auto r = std::from_chars(v.data(), v.data() + v.size(), options.seed);
      if (r.ec == std::errc() && r.ptr == v.data() + v.size()) continue;
    } else if (arg == "--samples" && has_value && default_samples > 0) {
      const std::string_view v = argv[++i];
      const auto r = std::from_chars(v.data(), v.data() + v.size(), options.samples);
      if (r.ec == std::errc() && r.ptr == v.data() + v.size() && options.samples > 0) continue;
    }
    std::cerr << "usage: " << argv[0] << " [--seed N]"
              << (default_samples > 0 ? " [--samples N (> 0)]" : "") << "\n"
              << "bad argument: " << arg << "\n";
    return false;
  }
  return true;
}

}  // namespace curling::baselines
