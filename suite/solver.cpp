#include "suite/solver.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <chrono>
#include <numeric>
#include <optional>

#include "suite/end_result.h"

namespace curling::suite {
namespace {

// Kinds of delivery a runner-up is the best of: draws and hits of each curl,
// and the throw-away.
constexpr int kClasses = 5;

int ClassOf(const Delivery& d) {
  if (d.kind == "draw") return d.shot.curl;
  if (d.kind == "hit") return 2 + d.shot.curl;
  return 4;
}

std::vector<ShotVector> ShotsOf(const std::vector<Delivery>& deliveries) {
  std::vector<ShotVector> shots;
  for (const Delivery& d : deliveries)
    shots.push_back(d.shot);
  return shots;
}

// What one context's search keeps between stages.
struct ContextSearch {
  EndJudge judge;
  // The best of each class in the latest stage that tried the class.
  std::array<std::optional<Delivery>, kClasses> class_best;
  std::optional<Delivery> chosen;
};

std::vector<double> ValuesOf(const std::vector<ResultCounts>& counts, const EndJudge& judge) {
  std::vector<double> values;
  for (const ResultCounts& c : counts)
    values.push_back(EstimateOf(c, judge).value);
  return values;
}

std::vector<size_t> BestFirst(const std::vector<double>& values) {
  std::vector<size_t> order(values.size());
  std::iota(order.begin(), order.end(), size_t{0});
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return values[a] > values[b]; });
  return order;
}

// One stage: plays the pool, notes each class's best per context, and keeps
// each context's `keep` best (one per region when `one_per_region`).
std::vector<Delivery> RunStage(const GameState& state, const std::vector<Delivery>& pool,
                               int samples, size_t keep, bool one_per_region,
                               std::vector<ContextSearch>& contexts, const Sampler& sampler,
                               const GridSettings& grid) {
  const std::vector<ResultCounts> counts =
      sampler.Count(state, ShotsOf(pool), samples, SampleSet::kSearch);
  std::vector<bool> kept(pool.size(), false);
  for (ContextSearch& context : contexts) {
    const std::vector<size_t> order = BestFirst(ValuesOf(counts, context.judge));
    std::array<bool, kClasses> class_seen{};
    std::vector<size_t> mine;
    for (const size_t i : order) {
      const int c = ClassOf(pool[i]);
      if (!class_seen[c]) context.class_best[c] = pool[i];
      class_seen[c] = true;
      if (mine.size() >= keep) continue;
      const bool crowded = one_per_region && std::any_of(mine.begin(), mine.end(), [&](size_t m) {
                             return SameRegion(pool[m], pool[i], grid);
                           });
      if (!crowded) mine.push_back(i);
    }
    if (!order.empty()) context.chosen = pool[order.front()];
    for (const size_t i : mine)
      kept[i] = true;
  }
  std::vector<Delivery> survivors;
  for (size_t i = 0; i < pool.size(); ++i) {
    if (kept[i]) survivors.push_back(pool[i]);
  }
  return survivors;
}

std::vector<Delivery> WithNeighbours(const std::vector<Delivery>& centres, const GridSettings& grid,
                                     float spacing) {
  std::vector<Delivery> pool = centres;
  for (const Delivery& c : centres) {
    for (Delivery& d : Around(c, grid, spacing))
      pool.push_back(std::move(d));
  }
  return pool;
}

bool SameShot(const ShotVector& a, const ShotVector& b) {
  return a.vx == b.vx && a.vy == b.vy && a.curl == b.curl;
}

// The deliveries valued at the end: every context's choice and class bests,
// each once.
std::vector<Delivery> ToEvaluate(const std::vector<ContextSearch>& contexts) {
  std::vector<Delivery> out;
  auto add = [&](const Delivery& d) {
    for (const Delivery& o : out) {
      if (SameShot(o.shot, d.shot)) return;
    }
    out.push_back(d);
  };
  for (const ContextSearch& c : contexts) {
    assert(c.chosen);
    add(*c.chosen);
    for (const auto& best : c.class_best) {
      if (best) add(*best);
    }
  }
  return out;
}

size_t IndexOf(const std::vector<Delivery>& deliveries, const ShotVector& shot) {
  for (size_t i = 0; i < deliveries.size(); ++i) {
    if (SameShot(deliveries[i].shot, shot)) return i;
  }
  assert(false);
  return 0;
}

double PrecisionOf(const SuitePosition& p, const SolverSettings& s) {
  return p.objective == Objective::kWin ? s.win_precision : s.points_precision;
}

// The best of the valued deliveries for `context` on the evaluation samples.
size_t BestValued(const std::vector<ResultCounts>& counts, const ContextSearch& context) {
  size_t best = 0;
  double best_value = -1e300;
  for (size_t i = 0; i < counts.size(); ++i) {
    const double v = EstimateOf(counts[i], context.judge).value;
    if (v > best_value) best = i, best_value = v;
  }
  return best;
}

void WriteAnswers(const std::vector<SuitePosition*>& group,
                  const std::vector<ContextSearch>& contexts, const std::vector<Delivery>& valued,
                  const std::vector<ResultCounts>& counts, int samples) {
  for (size_t c = 0; c < group.size(); ++c) {
    const ContextSearch& context = contexts[c];
    auto rated = [&](const Delivery& d) {
      const Estimate e = EstimateOf(counts[IndexOf(valued, d.shot)], context.judge);
      return RatedDelivery{d, e.value, e.standard_error};
    };
    Answer answer;
    answer.samples = samples;
    answer.best = rated(valued[BestValued(counts, context)]);
    const int best_class = ClassOf(answer.best.delivery);
    for (const auto& best : context.class_best) {
      if (best && ClassOf(*best) != best_class) answer.runners_up.push_back(rated(*best));
    }
    std::stable_sort(
        answer.runners_up.begin(), answer.runners_up.end(),
        [](const RatedDelivery& a, const RatedDelivery& b) { return a.value > b.value; });
    group[c]->answer = std::move(answer);
  }
}

}  // namespace

SolverSettings SolverSettings::WithSamplesScaled(int factor) const {
  SolverSettings s = *this;
  s.dense_samples *= factor;
  s.refine_samples *= factor;
  s.finalist_samples *= factor;
  s.decision_samples *= factor;
  s.evaluation_samples *= factor;
  s.most_evaluation_samples *= factor;
  return s;
}

SolveCost SolveGroup(const std::vector<SuitePosition*>& group, const WinTable& table,
                     const Sampler& sampler, const SolverSettings& settings) {
  assert(!group.empty());
  const auto start = std::chrono::steady_clock::now();
  const int64_t played_before = sampler.deliveries_played();
  const GameState state = StateOf(*group.front());
  std::vector<ContextSearch> contexts;
  for (const SuitePosition* p : group) {
    assert(SameStones(*p, *group.front()));
    contexts.push_back(ContextSearch{EndJudge(*p, table), {}, {}});
  }
  const GridSettings& grid = settings.grid;
  std::vector<Delivery> regions =
      RunStage(state, DenseSet(state, grid), settings.dense_samples,
               static_cast<size_t>(settings.regions), true, contexts, sampler, grid);
  std::vector<Delivery> refined =
      RunStage(state, WithNeighbours(regions, grid, 0.5f), settings.refine_samples, 3, true,
               contexts, sampler, grid);
  // Firm hits are nearly exact (the heading error shrinks with the length of
  // the path): their values change within millimetres of aim, so the last
  // refinements go down to a sixteenth of the dense spacing.
  for (const float spacing : {0.25f, 0.125f}) {
    refined = RunStage(state, WithNeighbours(refined, grid, spacing), settings.finalist_samples, 3,
                       true, contexts, sampler, grid);
  }
  std::vector<Delivery> finalists =
      RunStage(state, WithNeighbours(refined, grid, 0.0625f), settings.finalist_samples, 2, false,
               contexts, sampler, grid);
  RunStage(state, finalists, settings.decision_samples, 1, false, contexts, sampler, grid);

  const std::vector<Delivery> valued = ToEvaluate(contexts);
  int samples = settings.evaluation_samples;
  std::vector<ResultCounts> counts;
  while (true) {
    counts = sampler.Count(state, ShotsOf(valued), samples, SampleSet::kEvaluation);
    bool precise = true;
    for (size_t c = 0; c < group.size(); ++c) {
      const Estimate e = EstimateOf(counts[BestValued(counts, contexts[c])], contexts[c].judge);
      precise &= 1.96 * e.standard_error <= PrecisionOf(*group[c], settings);
    }
    if (precise || samples * 2 > settings.most_evaluation_samples) break;
    samples *= 2;
  }
  WriteAnswers(group, contexts, valued, counts, samples);
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  return {sampler.deliveries_played() - played_before, took.count()};
}

std::vector<std::vector<SuitePosition*>> GroupsOf(std::vector<SuitePosition>& positions) {
  std::vector<std::vector<SuitePosition*>> groups;
  for (SuitePosition& p : positions) {
    auto same = std::find_if(groups.begin(), groups.end(),
                             [&](const auto& g) { return SameStones(*g.front(), p); });
    if (same == groups.end()) {
      groups.push_back({&p});
    } else {
      same->push_back(&p);
    }
  }
  return groups;
}

}  // namespace curling::suite
