#include "server/results/rating_fit.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <map>
#include <numeric>
#include <random>

#include "server/stats/pair_counts.h"

namespace curling::results {

namespace {

constexpr double kPriorPairsPerCell = 0.5;
constexpr double kEloPerNatural = 400.0 / 2.302585092994046;  // 400 / ln 10
constexpr int kMaxIterations = 100000;
constexpr double kTolerance = 1e-10;  // largest change of a log strength, at convergence

// A pairing within a group: local player indices, pairs, a's score in pairs.
struct Edge {
  int a = 0;
  int b = 0;
  double pairs = 0;
  double score_a = 0;
};

double ScoreOfCounts(const std::array<double, 5>& weights) {
  double score = 0;
  for (int k = 0; k < 5; ++k)
    score += weights[k] * 0.25 * k;
  return score;
}

std::array<double, 5> Weights(const std::array<int64_t, 5>& count, double prior) {
  std::array<double, 5> w{};
  for (int k = 0; k < 5; ++k)
    w[k] = static_cast<double>(count[k]) + prior;
  return w;
}

// Maximum-likelihood log strengths (natural units) by minorization-
// maximization (Hunter 2004), each player updated in turn, from `theta`.
// Every player must have scored something and the group be strongly
// connected, or the iteration runs off.
void FitGroup(int n, const std::vector<Edge>& edges, std::vector<double>& theta) {
  std::vector<double> wins(n, 0.0);
  std::vector<std::vector<std::pair<int, double>>> met(n);
  for (const Edge& e : edges) {
    wins[e.a] += e.score_a;
    wins[e.b] += e.pairs - e.score_a;
    met[e.a].push_back({e.b, e.pairs});
    met[e.b].push_back({e.a, e.pairs});
  }
  std::vector<double> gamma(n);
  for (int i = 0; i < n; ++i)
    gamma[i] = std::exp(theta[i]);
  for (int iteration = 0; iteration < kMaxIterations; ++iteration) {
    double change = 0;
    for (int i = 0; i < n; ++i) {
      double denominator = 0;
      for (const auto& [j, pairs] : met[i])
        denominator += pairs / (gamma[i] + gamma[j]);
      assert(wins[i] > 0 && denominator > 0);
      const double next = wins[i] / denominator;
      change = std::max(change, std::abs(std::log(next / gamma[i])));
      gamma[i] = next;
    }
    // Keep the scale near 1: strengths are defined up to a factor.
    double log_mean = 0;
    for (double g : gamma)
      log_mean += std::log(g);
    log_mean /= n;
    for (double& g : gamma)
      g /= std::exp(log_mean);
    if (change < kTolerance) break;
  }
  for (int i = 0; i < n; ++i)
    theta[i] = std::log(gamma[i]);
}

// Each player of the group has scored against some other and been scored
// against, around every cut: the maximum-likelihood fit exists.
bool StronglyConnected(int n, const std::vector<Edge>& edges) {
  std::vector<std::vector<int>> forward(n), backward(n);
  for (const Edge& e : edges) {
    if (e.score_a > 0) {  // a scored against b
      forward[e.a].push_back(e.b);
      backward[e.b].push_back(e.a);
    }
    if (e.score_a < e.pairs) {
      forward[e.b].push_back(e.a);
      backward[e.a].push_back(e.b);
    }
  }
  const auto reaches_all = [n](const std::vector<std::vector<int>>& next) {
    std::vector<char> seen(n, 0);
    std::vector<int> stack = {0};
    seen[0] = 1;
    int count = 1;
    while (!stack.empty()) {
      const int i = stack.back();
      stack.pop_back();
      for (int j : next[i]) {
        if (!seen[j]) {
          seen[j] = 1;
          ++count;
          stack.push_back(j);
        }
      }
    }
    return count == n;
  };
  return reaches_all(forward) && reaches_all(backward);
}

// Elo of each player of the group from log strengths, anchored.
std::vector<double> Anchored(const std::vector<double>& theta, std::optional<int> anchor,
                             double anchor_elo) {
  std::vector<double> elo(theta.size());
  for (size_t i = 0; i < theta.size(); ++i)
    elo[i] = theta[i] * kEloPerNatural;
  const double shift =
      anchor ? anchor_elo - elo[static_cast<size_t>(*anchor)]
             : -std::accumulate(elo.begin(), elo.end(), 0.0) / static_cast<double>(elo.size());
  for (double& e : elo)
    e += shift;
  return elo;
}

double Quantile(std::vector<double>& values, double q) {
  std::sort(values.begin(), values.end());
  const double at = q * static_cast<double>(values.size() - 1);
  const size_t below = static_cast<size_t>(at);
  const size_t above = std::min(below + 1, values.size() - 1);
  return values[below] + (at - static_cast<double>(below)) * (values[above] - values[below]);
}

class GroupFit {
 public:
  GroupFit(std::vector<int> members, std::vector<const PairingCounts*> pairings,
           const RatingOptions& options)
      : members_(std::move(members)), pairings_(std::move(pairings)), options_(options) {
    for (size_t i = 0; i < members_.size(); ++i)
      local_[members_[i]] = static_cast<int>(i);
    if (options.anchor && local_.count(*options.anchor)) anchor_ = local_[*options.anchor];
  }

  void Fit(RatingFit& fit) {
    const int n = static_cast<int>(members_.size());
    std::vector<Edge> edges = EdgesWithPrior(0.0);
    const bool exists = StronglyConnected(n, edges);
    if (!exists) edges = EdgesWithPrior(kPriorPairsPerCell);
    std::vector<double> theta(n, 0.0);
    FitGroup(n, edges, theta);
    const std::vector<double> elo = Anchored(theta, anchor_, options_.anchor_elo);
    for (int i = 0; i < n; ++i) {
      PlayerRating& p = fit.players[static_cast<size_t>(members_[i])];
      p.elo = elo[i];
      p.regularised = !exists;
    }
    std::vector<int> order(members_);
    std::stable_sort(order.begin(), order.end(), [&](int x, int y) {
      return fit.players[static_cast<size_t>(x)].elo > fit.players[static_cast<size_t>(y)].elo;
    });
    if (options_.draws > 0) Bootstrap(edges, theta, order, fit);
    fit.order.insert(fit.order.end(), order.begin(), order.end());
  }

 private:
  std::vector<Edge> EdgesWithPrior(double prior) const {
    std::vector<Edge> edges;
    for (const PairingCounts* p : pairings_) {
      const std::array<double, 5> w = Weights(p->count, prior);
      edges.push_back({local_.at(p->a), local_.at(p->b), std::accumulate(w.begin(), w.end(), 0.0),
                       ScoreOfCounts(w)});
    }
    return edges;
  }

  // Every pairing's mean pair score drawn from the normal distribution the
  // tournament's interval stands on: its mean (the fitted one's counts) and
  // the regularised variance of its pairs over their number, held within
  // half a pair of a perfect score (as far as N pairs can tell a score from
  // a perfect one, and where the fit exists). `clamped` marks, by local
  // player, a pairing drawn there in its favour (bit 1) or against it
  // (bit 2).
  std::vector<Edge> DrawEdges(const std::vector<Edge>& fitted, std::mt19937_64& random,
                              std::vector<int>& clamped) const {
    std::vector<Edge> edges = fitted;
    std::normal_distribution<double> normal;
    for (size_t e = 0; e < edges.size(); ++e) {
      Edge& edge = edges[e];
      const PairingCounts& counts = *pairings_[e];
      stats::PairCounts pc;
      pc.count = counts.count;
      const double pairs = static_cast<double>(pc.Pairs());
      const double mean = edge.score_a / edge.pairs;
      const double sd = std::sqrt(stats::RegularisedVariance(pc, mean) / pairs);
      const double limit = 0.5 / (pairs + 1);
      double drawn = mean + sd * normal(random);
      if (drawn >= 1 - limit) {
        drawn = 1 - limit;
        clamped[edge.a] |= 1;
        clamped[edge.b] |= 2;
      } else if (drawn <= limit) {
        drawn = limit;
        clamped[edge.a] |= 2;
        clamped[edge.b] |= 1;
      }
      edge.score_a = drawn * edge.pairs;
    }
    return edges;
  }

  void Bootstrap(const std::vector<Edge>& fitted, const std::vector<double>& theta,
                 const std::vector<int>& order, RatingFit& fit) const {
    const int n = static_cast<int>(members_.size());
    std::mt19937_64 random(options_.seed);
    std::vector<std::vector<double>> draws(n);
    std::vector<int> above(n, 0), below(n, 0);  // draws clamped in and against the player's favour
    for (int d = 0; d < options_.draws; ++d) {
      std::vector<int> clamped(n, 0);
      const std::vector<Edge> edges = DrawEdges(fitted, random, clamped);
      std::vector<double> t = theta;  // a warm start: draws lie near the estimate
      FitGroup(n, edges, t);
      const std::vector<double> elo = Anchored(t, anchor_, options_.anchor_elo);
      for (int i = 0; i < n; ++i) {
        draws[i].push_back(elo[i]);
        above[i] += clamped[i] & 1;
        below[i] += (clamped[i] >> 1) & 1;
      }
    }
    for (size_t k = 0; k + 1 < order.size(); ++k) {
      const auto& stronger = draws[local_.at(order[k])];
      const auto& next = draws[local_.at(order[k + 1])];
      double wins = 0;
      for (int d = 0; d < options_.draws; ++d)
        wins += stronger[d] > next[d] ? 1.0 : stronger[d] == next[d] ? 0.5 : 0.0;
      fit.players[static_cast<size_t>(order[k])].los_next = wins / options_.draws;
    }
    // An end the draws reach only through a pairing held at a perfect score
    // is unbounded, as the tournament's interval is where its score passes 0
    // or 1. The anchor has no interval of its own: it is the origin.
    const double tail = 0.025 * options_.draws;
    for (int i = 0; i < n; ++i) {
      PlayerRating& p = fit.players[static_cast<size_t>(members_[i])];
      p.intervals = true;
      if (anchor_ && *anchor_ == i) {
        p.low = p.high = p.elo;
        continue;
      }
      if (below[i] <= tail) p.low = Quantile(draws[i], 0.025);
      if (above[i] <= tail) p.high = Quantile(draws[i], 0.975);
    }
  }

  std::vector<int> members_;
  std::vector<const PairingCounts*> pairings_;
  const RatingOptions& options_;
  std::map<int, int> local_;  // player index -> index within the group
  std::optional<int> anchor_;
};

int Root(std::vector<int>& parent, int i) {
  while (parent[i] != i)
    i = parent[i] = parent[parent[i]];
  return i;
}

}  // namespace

RatingFit FitRatings(int players, const std::vector<PairingCounts>& pairings,
                     const RatingOptions& options) {
  assert(players >= 0 && options.draws >= 0);
  RatingFit fit;
  fit.players.resize(static_cast<size_t>(players));
  std::vector<int> parent(static_cast<size_t>(players));
  std::iota(parent.begin(), parent.end(), 0);
  std::vector<double> scored(static_cast<size_t>(players), 0.0);
  for (const PairingCounts& p : pairings) {
    assert(p.a >= 0 && p.a < players && p.b >= 0 && p.b < players && p.a != p.b);
    const std::array<double, 5> w = Weights(p.count, 0.0);
    const double pairs = std::accumulate(w.begin(), w.end(), 0.0);
    if (pairs == 0) continue;
    parent[Root(parent, p.a)] = Root(parent, p.b);
    fit.players[p.a].pairs += static_cast<int64_t>(pairs);
    fit.players[p.b].pairs += static_cast<int64_t>(pairs);
    scored[p.a] += ScoreOfCounts(w);
    scored[p.b] += pairs - ScoreOfCounts(w);
  }
  // Groups: players linked by pairs, the group with the most pairs first.
  std::map<int, std::vector<int>> members;
  std::map<int, std::vector<const PairingCounts*>> edges;
  std::map<int, int64_t> pairs_of;
  for (int i = 0; i < players; ++i) {
    if (fit.players[i].pairs == 0) continue;
    members[Root(parent, i)].push_back(i);
    fit.players[i].score = scored[i] / static_cast<double>(fit.players[i].pairs);
  }
  for (const PairingCounts& p : pairings) {
    if (std::accumulate(p.count.begin(), p.count.end(), int64_t{0}) == 0) continue;
    edges[Root(parent, p.a)].push_back(&p);
    pairs_of[Root(parent, p.a)] += std::accumulate(p.count.begin(), p.count.end(), int64_t{0});
  }
  std::vector<int> roots;
  for (const auto& [root, list] : members)
    roots.push_back(root);
  std::stable_sort(roots.begin(), roots.end(),
                   [&](int x, int y) { return pairs_of[x] > pairs_of[y]; });
  for (int root : roots) {
    for (int i : members[root])
      fit.players[static_cast<size_t>(i)].group = fit.groups;
    GroupFit(members[root], edges[root], options).Fit(fit);
    ++fit.groups;
  }
  return fit;
}

}  // namespace curling::results
