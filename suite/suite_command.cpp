#include "suite/suite_command.h"

#include <string>

#include <CLI/CLI.hpp>

#include "suite/solve_command.h"

namespace curling::suite {
namespace {

constexpr int kExitUsage = 2;

std::string CommandLine(int argc, char** argv) {
  std::string text = "curling-suite";
  for (int i = 1; i < argc; ++i)
    text += std::string(" ") + argv[i];
  return text;
}

void AddSolve(CLI::App& app, SolveOptions& options) {
  CLI::App* solve = app.add_subcommand("solve", "Find the best delivery of every position");
  solve->add_option("SUITE", options.suite, "Suite file (JSON Lines)")->required();
  solve->add_option("-o,--out", options.out, "Write the solved suite here (default: into SUITE)");
  solve->add_option("--threads", options.threads, "Threads (default: the machine's cores)")
      ->check(CLI::Range(1, 256));
  solve
      ->add_option("--grid-factor", options.grid_factor,
                   "Search a grid this many times denser (the precision study)")
      ->capture_default_str()
      ->check(CLI::Range(1, 8));
  solve
      ->add_option("--samples-factor", options.samples_factor,
                   "Play this many times the samples (the precision study)")
      ->capture_default_str()
      ->check(CLI::Range(1, 16));
  solve->add_flag("-q,--quiet", options.quiet, "No line per position");
}

}  // namespace

int RunSuiteProgram(int argc, char** argv) {
  CLI::App app{"Shot-selection suites with exact answers: solve them, run engines on them"};
  app.require_subcommand(1);
  SolveOptions solve;
  AddSolve(app, solve);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int code = app.exit(e);
    return code == 0 ? 0 : kExitUsage;
  }
  if (app.got_subcommand("solve")) return RunSolve(solve, CommandLine(argc, argv));
  return kExitUsage;
}

}  // namespace curling::suite
