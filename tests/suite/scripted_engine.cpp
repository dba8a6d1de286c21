// An engine for the suite runner's tests that plays what it is told: the
// k-th GO it answers across all its runs (counted in FILE.count) is line k
// of FILE:
//   vx vy curl   answers BESTSHOT with these numbers as written
//   crash        aborts
//   hang         never answers
//   garbage      answers text that is no reply
// Past the last line it answers the line's... last line again.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

void Write(const std::string& text) {
  const ssize_t n = write(STDOUT_FILENO, text.data(), text.size());
  (void)n;
}

int NextAnswer(const std::string& script) {
  const std::string counter = script + ".count";
  int done = 0;
  std::ifstream(counter) >> done;
  std::ofstream(counter, std::ios::trunc) << done + 1;
  return done;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  std::vector<std::string> lines;
  std::ifstream in(argv[1]);
  for (std::string line; std::getline(in, line);)
    lines.push_back(line);
  if (lines.empty()) return 2;
  char buffer[4097];
  while (true) {
    const ssize_t n = read(STDIN_FILENO, buffer, 4096);
    if (n <= 0) return 0;
    buffer[n] = '\0';
    if (std::strncmp(buffer, "ISREADY", 7) == 0) Write("READYOK");
    if (std::strncmp(buffer, "GO", 2) != 0) continue;
    const size_t k = static_cast<size_t>(NextAnswer(argv[1]));
    const std::string& line = lines[std::min(k, lines.size() - 1)];
    if (line == "crash") std::abort();
    if (line == "hang") pause();
    if (line == "garbage") {
      Write("BESTSHOT one two three");
      continue;
    }
    Write("BESTSHOT " + line);
  }
}
