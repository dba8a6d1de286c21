// Ratings of many players from game pairs: a Bradley-Terry model on the pair
// scores (the mean of a player's two game scores in a pair, 0 to 1 in steps
// of 1/4), fitted by maximum likelihood, in logistic Elo. For two players it
// gives exactly the tournament's own estimate, -400 log10(1/s - 1) of the
// mean pair score s.
//
// Intervals and the likelihood of superiority come from a parametric
// bootstrap over pairings, on the pentanomial variance: in each draw, every
// pairing's mean pair score is drawn from the normal distribution the
// tournament's own interval stands on (its mean, and the variance of its
// pairs with half a pair of prior weight in each of the five cells, over the
// number of pairs), and the ratings are refitted. A player's 2.5% and 97.5%
// points over the draws are its interval, and the share of draws in which it
// is above the next player its likelihood of being stronger. With two
// players this is the tournament's interval and LOS (up to the draws' own
// noise); with more, each pairing's uncertainty reaches every rating through
// the fit. An interval end that the draws reach only through a pairing held
// at a perfect score is unbounded, as the tournament's is.
//
// Where the maximum-likelihood ratings do not exist (within a group, some
// players scored every point against the others, so their distance would
// run off to infinity), the group's estimates are fitted on the counts with
// that same half pair in each cell, and marked regularised. Players linked by
// no chain of pairs are in separate groups: their ratings are not comparable.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace curling::results {

// The pairs two players played against each other: count[k] pairs in which
// player `a` scored k / 4.
struct PairingCounts {
  int a = 0;
  int b = 1;
  std::array<int64_t, 5> count{};
};

struct RatingOptions {
  // A player's rating fixed at a value; without one, each group's mean is 0.
  std::optional<int> anchor;
  double anchor_elo = 0;
  int draws = 1000;  // bootstrap draws; 0: no intervals and no LOS
  uint64_t seed = 1;
};

struct PlayerRating {
  int group = -1;  // -1: no pair counted
  double elo = 0;
  bool regularised = false;
  bool intervals = false;     // the bootstrap ran
  std::optional<double> low;  // the 95% interval; empty where unbounded
  std::optional<double> high;
  // Probability that the player is stronger than the next one in `order`
  // (of its group).
  std::optional<double> los_next;
  int64_t pairs = 0;
  double score = 0;  // mean pair score against everyone it met
};

struct RatingFit {
  std::vector<PlayerRating> players;  // by player index
  // Rated players, group by group (the group with the most pairs first),
  // strongest first within a group.
  std::vector<int> order;
  int groups = 0;
};

// Rates `players` players (indices 0 .. players - 1) from `pairings`.
RatingFit FitRatings(int players, const std::vector<PairingCounts>& pairings,
                     const RatingOptions& options);

}  // namespace curling::results
