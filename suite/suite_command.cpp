#include "suite/suite_command.h"

#include <iostream>
#include <string>

#include <CLI/CLI.hpp>

#include "curling_simulator/version.h"
#include "server/text/utf8_text.h"

#include "suite/run_command.h"
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

void AddRunOptions(CLI::App& command, RunOptions& options) {
  command.add_option("SUITE", options.suite, "Solved suite file")->required();
  command.add_option("--out", options.out, "Output folder (default: suite-run/ or suite-pages/)");
  command
      .add_option("--threads", options.threads,
                  "Threads valuing deliveries (default: the machine's cores)")
      ->check(CLI::Range(1, 256));
  command.add_option("--heat-step", options.heat_step, "Metres between heat-map cells")
      ->capture_default_str()
      ->check(CLI::Range(0.02, 0.5));
  command.add_option("--heat-samples", options.heat_samples, "Samples of each heat-map cell")
      ->capture_default_str()
      ->check(CLI::Range(1, 65536));
  command.add_flag("-q,--quiet", options.quiet, "No progress lines");
}

void AddRun(CLI::App& app, RunOptions& options) {
  CLI::App* run = app.add_subcommand(
      "run", "Ask an engine for its delivery in every position; its regret, mean and shares");
  AddRunOptions(*run, options);
  run->add_option("--engine", options.engine,
                  "Engine: a command line, or settings as curling-match takes them "
                  "(name=N cmd=C dir=D arg=W option.K=V)")
      ->required();
  run->add_option("--time", options.seconds,
                  "Seconds the engine is told it has (TIME) and the most one GO may take")
      ->capture_default_str()
      ->check(CLI::Range(0.01, 3600.0));
  run->add_option("--ready-timeout", options.ready_timeout,
                  "Seconds to answer ISREADY and to read a command")
      ->capture_default_str()
      ->check(CLI::Range(0.1, 600.0));
  run->add_flag("--pages", options.pages,
                "Also a page per position with the heat maps, linked from index.html");
}

}  // namespace

int RunSuiteProgram(int argc, char** argv) {
  CLI::App app{"Shot-selection suites with exact answers: solve them, run engines on them"};
  app.require_subcommand(1);
  app.set_version_flag("--version", std::string("curling-suite ") + CURLING_SIMULATOR_VERSION);
  SolveOptions solve;
  AddSolve(app, solve);
  RunOptions run;
  AddRun(app, run);
  RunOptions pages;
  CLI::App* pages_command =
      app.add_subcommand("pages", "A page per position of a solved suite, with the heat maps");
  AddRunOptions(*pages_command, pages);
  // The command line is kept in the solved suite's JSON, which holds UTF-8 only.
  if (const std::string error = server::ArgumentNotUtf8(argc, argv); !error.empty()) {
    std::cerr << error << '\n';
    return kExitUsage;
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int code = app.exit(e);
    return code == 0 ? 0 : kExitUsage;
  }
  if (app.got_subcommand("solve")) return RunSolve(solve, CommandLine(argc, argv));
  if (app.got_subcommand("run")) return RunEngineOnSuite(run);
  if (app.got_subcommand("pages")) return RunPages(pages);
  return kExitUsage;
}

}  // namespace curling::suite
