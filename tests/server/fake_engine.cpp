// A scripted engine for the match server's tests. It speaks the protocol the
// way a real engine does (one command per read, no line ends in replies) and
// misbehaves on purpose at its N-th "GO":
//
//   fake_engine MODE [N]
//     good       plays draws to points around the house, never misbehaves
//     crash      aborts (SIGABRT)
//     exit       exits with code 0 (closes its pipes)
//     hang       stops answering
//     garbage    writes text that is no reply
//     nonfinite  answers BESTSHOT nan ...
//     badcurl    answers with curl flag 7
//     noready    never answers ISREADY (but plays otherwise)
//     lineends   adds CR LF after every reply (still valid)
//     split      writes BESTSHOT a few bytes at a time (still valid)
//     quit       answers the N-th GO, then exits
//     stall      stops reading its input after the N-th GO
//     flood      writes white space without end
//     slow       thinks N milliseconds on every GO (then answers validly)
//     stderr     writes 17 MiB to its standard error at the N-th GO (then
//                answers validly)
//     log        plays as good and writes every command line it gets to
//                standard error
//
// The delivery of shot s is the point (vx, vy) = (2.375 + 0.25 (s mod 5 - 2),
// 4.88 + 0.4 (s / 2 mod 4)): tests play it with a stand-in physics that puts
// the stone at that point.
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void Write(const std::string& text) {
  const ssize_t n = write(STDOUT_FILENO, text.data(), text.size());
  (void)n;
}

bool StartsWithNoCase(const char* line, const char* word) {
  const size_t n = std::strlen(word);
  if (strncasecmp(line, word, n) != 0) return false;
  return line[n] == '\0' || line[n] == ' ';
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "good";
  const int fault_at = argc > 2 ? std::atoi(argv[2]) : 1;
  const std::string end = mode == "lineends" ? "\r\n" : "";
  int go_count = 0;
  int shot = 0;
  char buffer[1025];
  while (true) {
    const ssize_t n = read(STDIN_FILENO, buffer, 1024);
    if (n <= 0) return 0;
    buffer[n] = '\0';
    // One command per read: the first line only, as a real engine handles it.
    buffer[std::strcspn(buffer, "\r\n")] = '\0';
    const char* line = buffer;
    while (*line == ' ')
      ++line;
    if (mode == "log") std::fprintf(stderr, "%s\n", line);

    if (StartsWithNoCase(line, "ISREADY")) {
      if (mode != "noready") Write("READYOK" + end);
    } else if (StartsWithNoCase(line, "SETSTATE")) {
      shot = std::atoi(line + 8);
    } else if (StartsWithNoCase(line, "GO")) {
      ++go_count;
      const bool misbehave = go_count >= fault_at;
      if (mode == "slow") usleep(static_cast<useconds_t>(fault_at) * 1000);
      if (mode == "stderr" && go_count == fault_at) {
        const std::string line(1023, 'e');
        for (int i = 0; i < 17 * 1024; ++i) {
          if (write(STDERR_FILENO, (line + '\n').data(), 1024) != 1024) break;
        }
      }
      if (misbehave) {
        if (mode == "crash") std::abort();
        if (mode == "exit") return 0;
        if (mode == "hang") {
          while (true)
            pause();
        }
        if (mode == "garbage") {
          Write("I think therefore I curl");
          continue;
        }
        if (mode == "flood") {
          const std::string spaces(4096, ' ');
          while (true)
            Write(spaces);
        }
        if (mode == "nonfinite") {
          Write("BESTSHOT nan 1.000000 0");
          continue;
        }
        if (mode == "badcurl") {
          Write("BESTSHOT 2.375000 4.880000 7");
          continue;
        }
      }
      char reply[256];
      const double x = 2.375 + 0.25 * (shot % 5 - 2);
      const double y = 4.88 + 0.4 * (shot / 2 % 4);
      int len = 0;
      if (shot >= 14)
        len = std::snprintf(reply, sizeof reply, "ShotNum:%dMeanScore:%f", 30 + shot, 0.25);
      len += std::snprintf(reply + len, sizeof reply - len, "BESTSHOT %f %f %d", x, y, shot % 2);
      if (mode == "split") {
        for (int i = 0; i < len; i += 5) {
          Write(std::string(reply + i, reply + std::min(len, i + 5)));
          usleep(2000);
        }
      } else {
        Write(std::string(reply, len) + end);
      }
      if (mode == "quit" && misbehave) return 0;
      if (mode == "stall" && misbehave) {
        while (true)
          pause();
      }
    }
  }
}
