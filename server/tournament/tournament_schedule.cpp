#include "server/tournament/tournament_schedule.h"

#include <cassert>
#include <numeric>
#include <random>

#include <fmt/format.h>

namespace curling::server {

namespace fs = std::filesystem;

namespace {

// A shuffle of 0..n-1 drawn from `seed`, the same on every platform: the
// standard's mt19937_64 is fully specified, its distributions are not.
std::vector<int> ShuffledOrder(int n, uint64_t seed) {
  std::vector<int> order(static_cast<size_t>(n));
  std::iota(order.begin(), order.end(), 0);
  std::mt19937_64 random(seed);
  for (int i = n - 1; i > 0; --i) {
    const auto j = static_cast<int>(random() % static_cast<uint64_t>(i + 1));
    std::swap(order[static_cast<size_t>(i)], order[static_cast<size_t>(j)]);
  }
  return order;
}

}  // namespace

TournamentSchedule::TournamentSchedule(const TournamentPlan& plan)
    : games_per_pairing_(plan.games),
      seed_(plan.seed),
      scenario_start_(plan.scenarios.start),
      scenario_repeats_(plan.scenarios.repeats) {
  const int n = static_cast<int>(plan.engines.size());
  for (int a = 0; a < n; ++a) {
    for (int b = a + 1; b < n; ++b) {
      if (plan.format == TournamentFormat::kGauntlet && a != 0) continue;
      pairings_.push_back({a, b});
    }
  }
  total_games_ = games_per_pairing_ * static_cast<int>(pairings_.size());
  const int positions = static_cast<int>(plan.scenarios.list.size());
  if (positions > 0) {
    // Game() steps through the positions from `start`, `repeats` rounds each.
    assert(scenario_start_ >= 0 && scenario_repeats_ >= 1);
    if (plan.scenarios.order == ScenarioOrder::kRandom) {
      scenario_order_ = ShuffledOrder(positions, plan.scenarios.seed);
    } else {
      scenario_order_.resize(static_cast<size_t>(positions));
      std::iota(scenario_order_.begin(), scenario_order_.end(), 0);
    }
  }
}

ScheduledGame TournamentSchedule::Game(int index) const {
  assert(index >= 0 && index < total_games_);
  const int pairings = static_cast<int>(pairings_.size());
  const int full_rounds = games_per_pairing_ / 2;
  ScheduledGame g;
  g.index = index;
  if (index < 2 * pairings * full_rounds) {
    g.round = index / (2 * pairings);
    g.pairing = index % (2 * pairings) / 2;
    g.game_in_pairing = 2 * g.round + index % 2;
  } else {
    // An odd number of games per pairing: the last round has one game each.
    g.round = full_rounds;
    g.pairing = index - 2 * pairings * full_rounds;
    g.game_in_pairing = 2 * g.round;
  }
  assert(g.pairing >= 0 && g.pairing < pairings);
  assert(g.game_in_pairing >= 0 && g.game_in_pairing < games_per_pairing_);
  // The two games of a pair are one round: one seed and one start position,
  // the seats swapped. The tally pairs games 2k and 2k + 1 on that promise.
  assert(g.game_in_pairing / 2 == g.round);
  g.a_seat = g.game_in_pairing % 2;
  const Pairing& p = pairings_[static_cast<size_t>(g.pairing)];
  g.seats[static_cast<size_t>(g.a_seat)] = p.a;
  g.seats[static_cast<size_t>(1 - g.a_seat)] = p.b;
  assert(g.seats[0] != g.seats[1]);
  g.seed = seed_ + static_cast<uint64_t>(g.round);
  if (!scenario_order_.empty()) {
    const size_t count = scenario_order_.size();
    const size_t step =
        static_cast<size_t>(scenario_start_) + static_cast<size_t>(g.round / scenario_repeats_);
    g.scenario = scenario_order_[step % count];
  }
  return g;
}

fs::path GameFolder(const fs::path& folder, int index) {
  return folder / fmt::format("game-{:04d}", index + 1);
}

GameConfig ScheduledGameConfig(const TournamentPlan& plan, const ScheduledGame& game) {
  // The game is one of this plan's schedule.
  assert(game.seats[0] >= 0 && static_cast<size_t>(game.seats[0]) < plan.engines.size());
  assert(game.seats[1] >= 0 && static_cast<size_t>(game.seats[1]) < plan.engines.size());
  assert(game.scenario < static_cast<int>(plan.scenarios.list.size()));
  GameConfig config;
  config.rules = plan.rules;
  config.seed = game.seed;
  config.stream = 0;
  const fs::path folder = GameFolder(plan.folder, game.index);
  for (int seat = 0; seat < 2; ++seat) {
    config.engines[seat] = plan.engines[static_cast<size_t>(game.seats[seat])];
    // Absolute, since an engine with a working folder of its own starts there.
    config.engines[seat].stderr_log =
        fs::absolute(folder / fmt::format("engine-{}.stderr.log", seat + 1)).string();
  }
  if (game.scenario >= 0) {
    // The hammer side of the position (its odd stones) is seat 1.
    const stats::StartScenario& s = plan.scenarios.list[static_cast<size_t>(game.scenario)];
    GameStart start;
    start.end = s.end;
    start.shot = s.shot;
    start.first_seat = 0;
    start.total = {s.other_score, s.hammer_score};
    start.stones = s.stones;
    config.start = start;
  }
  return config;
}

}  // namespace curling::server
