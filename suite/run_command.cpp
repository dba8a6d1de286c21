#include "suite/run_command.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

#include <fmt/format.h>

#include "server/program/engine_settings.h"
#include "server/text/safe_files.h"
#include "suite/candidates.h"
#include "suite/engine_runner.h"
#include "suite/position_page.h"
#include "suite/run_report.h"
#include "suite/suite_file.h"

namespace curling::suite {
namespace {

namespace fs = std::filesystem;

int Threads(const RunOptions& options) {
  return options.threads > 0 ? options.threads
                             : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

// The suite, solved; or the exit code 2 with the reason written.
std::optional<Suite> SolvedSuite(const std::string& path) {
  SuiteRead read = LoadSuite(path);
  if (!read.error.empty()) {
    std::fprintf(stderr, "curling-suite: %s\n", read.error.c_str());
    return std::nullopt;
  }
  for (const SuitePosition& p : read.suite.positions) {
    // Only after the last stone is the end's result the position's value.
    if (p.shot != 15) {
      std::fprintf(stderr, "curling-suite: %s:%d: position \"%s\" is at shot %d, not 15\n",
                   path.c_str(), p.line, p.id.c_str(), p.shot);
      return std::nullopt;
    }
    if (!p.answer) {
      std::fprintf(stderr,
                   "curling-suite: %s:%d: position \"%s\" is not solved (curling-suite solve)\n",
                   path.c_str(), p.line, p.id.c_str());
      return std::nullopt;
    }
  }
  return std::move(read.suite);
}

bool WriteFile(const fs::path& path, const std::string& text) {
  const std::string error = server::WriteFileWhole(path, text);
  if (!error.empty()) std::fprintf(stderr, "curling-suite: %s\n", error.c_str());
  return error.empty();
}

std::string PageName(size_t i) {
  return fmt::format("position-{:04d}.html", i + 1);
}

// One page per position; the heat map is made once for each set of stones.
bool WritePages(const Suite& suite, const std::vector<PositionResult>* results,
                const fs::path& folder, const Sampler& sampler, const RunOptions& options,
                std::vector<std::string>& names) {
  std::vector<const SuitePosition*> done;
  HeatMap map;
  for (size_t i = 0; i < suite.positions.size(); ++i) {
    const SuitePosition& p = suite.positions[i];
    if (done.empty() || !SameStones(*done.back(), p)) {
      map = DrawHeatMap(StateOf(p), sampler, options.heat_step, options.heat_samples);
      done.push_back(&p);
    }
    const PositionResult* result = results ? &(*results)[i] : nullptr;
    names.push_back(PageName(i));
    if (!WriteFile(folder / names.back(), PositionPage(p, suite.header.win_table, map, result))) {
      return false;
    }
    if (!options.quiet) std::fprintf(stderr, "page %zu/%zu\n", i + 1, suite.positions.size());
  }
  return true;
}

std::vector<PositionResult> Judge(const Suite& suite, const std::vector<EngineAnswer>& answers,
                                  const Sampler& sampler) {
  std::vector<PositionResult> results;
  for (size_t i = 0; i < suite.positions.size(); ++i) {
    PositionResult r;
    r.position = &suite.positions[i];
    r.answer = answers[i];
    // A fault loses the stone: judged as a stone thrown away.
    r.judged = r.answer.shot ? *r.answer.shot : ThrowAway().shot;
    r.regret = RegretOf(*r.position, suite.header.win_table, sampler, r.judged);
    results.push_back(std::move(r));
  }
  return results;
}

std::optional<server::EngineCommand> EngineFrom(const RunOptions& options, const fs::path& out) {
  std::string error;
  auto engines = server::EngineCommandsFrom({options.engine}, "", "", 1, error);
  if (!engines) {
    std::fprintf(stderr, "curling-suite: --engine: %s\n", error.c_str());
    return std::nullopt;
  }
  server::EngineCommand engine = engines->front();
  engine.stderr_log = (out / "engine.stderr.log").string();
  return engine;
}

}  // namespace

int RunEngineOnSuite(const RunOptions& options) {
  std::optional<Suite> suite = SolvedSuite(options.suite);
  if (!suite) return 2;
  const fs::path out = options.out.empty() ? fs::path("suite-run") : fs::path(options.out);
  std::error_code ec;
  fs::create_directories(out, ec);
  if (ec) {
    std::fprintf(stderr, "curling-suite: %s: %s\n", out.string().c_str(), ec.message().c_str());
    return 1;
  }
  const std::optional<server::EngineCommand> engine = EngineFrom(options, out);
  if (!engine) return 2;
  EngineRunSettings settings{*engine, options.seconds, options.ready_timeout};
  // The engine thinks alone; the answers are valued after it is done.
  const std::vector<EngineAnswer> answers = AskEngine(*suite, settings, !options.quiet);
  const Sampler sampler(RulesOf(suite->header), Threads(options));
  const std::vector<PositionResult> results = Judge(*suite, answers, sampler);
  std::vector<std::string> pages;
  if (options.pages && !WritePages(*suite, &results, out, sampler, options, pages)) return 1;
  const std::string text = RunText(engine->name, results);
  std::fputs(text.c_str(), stdout);
  const bool written = WriteFile(out / "run.txt", text) &&
                       WriteFile(out / "run.json", RunJson(engine->name, results).dump(1) + "\n") &&
                       WriteFile(out / "index.html", RunPage(engine->name, results, pages));
  return written ? 0 : 1;
}

int RunPages(const RunOptions& options) {
  std::optional<Suite> suite = SolvedSuite(options.suite);
  if (!suite) return 2;
  const fs::path out = options.out.empty() ? fs::path("suite-pages") : fs::path(options.out);
  std::error_code ec;
  fs::create_directories(out, ec);
  if (ec) {
    std::fprintf(stderr, "curling-suite: %s: %s\n", out.string().c_str(), ec.message().c_str());
    return 1;
  }
  const Sampler sampler(RulesOf(suite->header), Threads(options));
  std::vector<std::string> pages;
  return WritePages(*suite, nullptr, out, sampler, options, pages) ? 0 : 1;
}

}  // namespace curling::suite
