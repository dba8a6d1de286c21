#include "tests/engine/program_run.h"

#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace curling::testing {
namespace {

namespace fs = std::filesystem;

// The word in single quotes for the shell. Streams throughout: chains of
// string + trip a g++ 12 -Wrestrict false positive here.
void WriteQuoted(std::ostringstream& command, const std::string& word) {
  command << '\'';
  for (char c : word) {
    if (c == '\'') {
      command << "'\\''";
    } else {
      command << c;
    }
  }
  command << '\'';
}

std::string ReadFile(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

}  // namespace

ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                      const std::string& input, int deadline_seconds) {
  std::string pattern = (fs::temp_directory_path() / "program-run-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  const fs::path dir = pattern;
  std::ofstream(dir / "in", std::ios::binary) << input;

  std::ostringstream command;
  command << "timeout " << deadline_seconds << " env -u LD_LIBRARY_PATH ";
  WriteQuoted(command, program);
  for (const std::string& argument : arguments) {
    command << ' ';
    WriteQuoted(command, argument);
  }
  command << " <";
  WriteQuoted(command, (dir / "in").string());
  command << " >";
  WriteQuoted(command, (dir / "out").string());
  command << " 2>";
  WriteQuoted(command, (dir / "err").string());
  const int status = std::system(command.str().c_str());

  ProgramRun run;
  if (status != -1 && WIFEXITED(status)) run.exit_code = WEXITSTATUS(status);
  run.out = ReadFile(dir / "out");
  run.errors = ReadFile(dir / "err");
  std::error_code ignored;
  fs::remove_all(dir, ignored);
  return run;
}

}  // namespace curling::testing
