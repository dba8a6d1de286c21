#include "suite/solve_command.h"

#include <cstdio>
#include <thread>

#include <fmt/format.h>

#include "suite/suite_file.h"

namespace curling::suite {
namespace {

std::string Ids(const std::vector<SuitePosition*>& group) {
  std::string ids;
  for (const SuitePosition* p : group)
    ids += (ids.empty() ? "" : " ") + p->id;
  return ids;
}

std::string Described(const RatedDelivery& r) {
  const Delivery& d = r.delivery;
  const std::string target = d.kind == "hit"
                                 ? fmt::format("({:.3f}, {:.3f}) power {:.2f}", d.x, d.y, d.power)
                                 : fmt::format("({:.3f}, {:.3f})", d.x, d.y);
  return fmt::format("{} curl {} {} value {:.4f} +- {:.4f}", d.kind, d.shot.curl, target, r.value,
                     1.96 * r.standard_error);
}

}  // namespace

int RunSolve(const SolveOptions& options, const std::string& command_line) {
  SuiteRead read = LoadSuite(options.suite);
  if (!read.error.empty()) {
    std::fprintf(stderr, "curling-suite: %s\n", read.error.c_str());
    return 2;
  }
  Suite& suite = read.suite;
  for (const SuitePosition& p : suite.positions) {
    if (p.shot != 15) {
      std::fprintf(stderr,
                   "curling-suite: %s:%d: position \"%s\" is at shot %d: the solver answers the "
                   "last stone of an end (shot 15) only\n",
                   options.suite.c_str(), p.line, p.id.c_str(), p.shot);
      return 2;
    }
  }
  const int threads = options.threads > 0
                          ? options.threads
                          : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  SolverSettings settings;
  settings.grid = settings.grid.Refined(options.grid_factor);
  settings = settings.WithSamplesScaled(options.samples_factor);
  const Sampler sampler(RulesOf(suite.header), threads);
  const auto groups = GroupsOf(suite.positions);
  SolveCost total;
  for (size_t g = 0; g < groups.size(); ++g) {
    const SolveCost cost = SolveGroup(groups[g], suite.header.win_table, sampler, settings);
    total.deliveries += cost.deliveries;
    total.seconds += cost.seconds;
    if (options.quiet) continue;
    std::fprintf(stderr, "solve %zu/%zu [%s]: %lld deliveries, %.1f s\n", g + 1, groups.size(),
                 Ids(groups[g]).c_str(), static_cast<long long>(cost.deliveries), cost.seconds);
    for (const SuitePosition* p : groups[g])
      std::fprintf(stderr, "  %s: %s\n", p->id.c_str(), Described(p->answer->best).c_str());
  }
  suite.header.solved_by = command_line;
  const std::string out = options.out.empty() ? options.suite : options.out;
  if (const std::string why = SaveSuite(out, suite); !why.empty()) {
    std::fprintf(stderr, "curling-suite: %s\n", why.c_str());
    return 1;
  }
  std::fprintf(stderr,
               "solved %zu positions (%zu sets of stones) on %d threads: %lld deliveries, %.1f s "
               "(%.0f deliveries and %.2f s a set of stones)\n",
               suite.positions.size(), groups.size(), threads,
               static_cast<long long>(total.deliveries), total.seconds,
               static_cast<double>(total.deliveries) / groups.size(),
               total.seconds / groups.size());
  return 0;
}

}  // namespace curling::suite
