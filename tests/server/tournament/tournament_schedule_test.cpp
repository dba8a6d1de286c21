// Which games a tournament plays and how it books them, without playing any:
// the schedule of round robins and gauntlets, start positions in order, the
// ledger's hand-out and stop rules, the plan's JSON form, and the standings
// of several engines.
#include <gtest/gtest.h>

#include <sstream>

#include "server/stats/standings.h"
#include "server/tournament/tournament_ledger.h"
#include "server/tournament/tournament_schedule.h"

namespace curling::server {
namespace {

TournamentPlan PlanOf(int engines, TournamentFormat format, int games) {
  TournamentPlan plan;
  for (int i = 0; i < engines; ++i)
    plan.engines.push_back({std::string(1, static_cast<char>('A' + i)), {"engine"}, ""});
  plan.format = format;
  plan.games = games;
  plan.seed = 100;
  return plan;
}

TEST(TournamentSchedule, PairingsSeatsAndSeedsRoundByRound) {
  const struct {
    int engines;
    TournamentFormat format;
    int games;
    std::vector<std::pair<int, int>> pairings;
    // For a few games: index, pairing, round, engine in seat 0, in seat 1.
    std::vector<std::array<int, 5>> games_seen;
  } cases[] = {
      // Two engines: pair k on seed + k, A first in game 2k, as always.
      {2,
       TournamentFormat::kRoundRobin,
       5,
       {{0, 1}},
       {{0, 0, 0, 0, 1}, {1, 0, 0, 1, 0}, {4, 0, 2, 0, 1}}},
      // Three engines: every pairing plays round 0 before any plays round 1.
      {3,
       TournamentFormat::kRoundRobin,
       4,
       {{0, 1}, {0, 2}, {1, 2}},
       {{0, 0, 0, 0, 1}, {3, 1, 0, 2, 0}, {5, 2, 0, 2, 1}, {6, 0, 1, 0, 1}, {11, 2, 1, 2, 1}}},
      // An odd count: the last round has one game per pairing.
      {3,
       TournamentFormat::kRoundRobin,
       3,
       {{0, 1}, {0, 2}, {1, 2}},
       {{6, 0, 1, 0, 1}, {8, 2, 1, 1, 2}}},
      // A gauntlet: the first engine against each of the others only.
      {4,
       TournamentFormat::kGauntlet,
       2,
       {{0, 1}, {0, 2}, {0, 3}},
       {{4, 2, 0, 0, 3}, {5, 2, 0, 3, 0}}},
  };
  for (const auto& c : cases) {
    const TournamentPlan plan = PlanOf(c.engines, c.format, c.games);
    const TournamentSchedule schedule(plan);
    const std::string label = std::to_string(c.engines) + " engines, " +
                              TournamentFormatName(c.format) + ", " + std::to_string(c.games);
    ASSERT_EQ(schedule.pairings().size(), c.pairings.size()) << label;
    for (size_t i = 0; i < c.pairings.size(); ++i) {
      EXPECT_EQ(schedule.pairings()[i].a, c.pairings[i].first) << label;
      EXPECT_EQ(schedule.pairings()[i].b, c.pairings[i].second) << label;
    }
    EXPECT_EQ(schedule.total_games(), c.games * static_cast<int>(c.pairings.size())) << label;
    for (const auto& [index, pairing, round, seat0, seat1] : c.games_seen) {
      const ScheduledGame g = schedule.Game(index);
      EXPECT_EQ(g.pairing, pairing) << label << " game " << index;
      EXPECT_EQ(g.round, round) << label << " game " << index;
      EXPECT_EQ(g.seats, (std::array<int, 2>{seat0, seat1})) << label << " game " << index;
      EXPECT_EQ(g.seed, 100u + static_cast<uint64_t>(round)) << label << " game " << index;
    }
    // Every game of every pairing is played exactly once, in order.
    std::vector<int> next(c.pairings.size(), 0);
    for (int i = 0; i < schedule.total_games(); ++i) {
      const ScheduledGame g = schedule.Game(i);
      EXPECT_EQ(g.game_in_pairing, next[static_cast<size_t>(g.pairing)]++) << label << " " << i;
    }
    EXPECT_EQ(next, std::vector<int>(c.pairings.size(), c.games)) << label;
  }
}

TEST(TournamentSchedule, StartPositionsInOrderFromAStartWithRepeats) {
  TournamentPlan plan = PlanOf(2, TournamentFormat::kRoundRobin, 16);
  std::istringstream file("{\"shot\": 0}\n{\"shot\": 1}\n{\"shot\": 2}\n{\"shot\": 3}\n");
  plan.scenarios.list = stats::ParseScenarios(file, "f").scenarios;
  const auto positions = [&] {
    const TournamentSchedule schedule(plan);
    std::vector<int> played;
    for (int g = 0; g < schedule.total_games(); g += 2)
      played.push_back(schedule.Game(g).scenario);
    return played;
  };
  EXPECT_EQ(positions(), (std::vector<int>{0, 1, 2, 3, 0, 1, 2, 3}));
  plan.scenarios.start = 2;
  plan.scenarios.repeats = 2;
  EXPECT_EQ(positions(), (std::vector<int>{2, 2, 3, 3, 0, 0, 1, 1}));
  // A random order is a shuffle of the positions that the seed decides.
  plan.scenarios = {plan.scenarios.list, ScenarioOrder::kRandom, 7, 0, 1};
  const std::vector<int> shuffled = positions();
  std::vector<int> cycle(shuffled.begin(), shuffled.begin() + 4);
  std::vector<int> sorted = cycle;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(sorted, (std::vector<int>{0, 1, 2, 3}));
  EXPECT_EQ(std::vector<int>(shuffled.begin() + 4, shuffled.end()), cycle);
  EXPECT_EQ(positions(), shuffled);
  plan.scenarios.seed = 8;
  EXPECT_NE(positions(), shuffled);
}

FinishedGame Won(int index, int winner_seat, FaultKind fault = FaultKind::kNone) {
  FinishedGame g;
  g.index = index;
  g.result.winner = winner_seat;
  g.result.total = {winner_seat == 0 ? 2 : 0, winner_seat == 1 ? 2 : 0};
  g.result.ends_played = 1;
  if (fault != FaultKind::kNone) {
    g.result.outcome = GameOutcome::kFault;
    g.result.fault_seat = 1 - winner_seat;
    g.result.fault = {fault, "it broke"};
    g.result.reason = "B loses by fault";
  }
  return g;
}

TEST(TournamentLedger, HandsOutEachGameOnceAndBooksFinishedOnes) {
  const TournamentPlan plan = PlanOf(3, TournamentFormat::kRoundRobin, 2);
  TournamentLedger ledger(plan);
  // Games read back from an interrupted run are booked, not handed out again.
  EXPECT_EQ(ledger.Record(Won(1, 0)), TournamentLedger::Counted::kYes);
  EXPECT_EQ(ledger.Record(Won(1, 0)), TournamentLedger::Counted::kNo);
  std::vector<int> handed;
  while (auto g = ledger.NextGame())
    handed.push_back(g->index);
  EXPECT_EQ(handed, (std::vector<int>{0, 2, 3, 4, 5}));
  for (int i : handed)
    ledger.Record(Won(i, 0));
  EXPECT_EQ(ledger.status(), TournamentStatus::kCompleted);
  // Seat 0 won every game: each engine won its games in seat 0, lost in seat 1.
  const stats::Standings s = ledger.Standings();
  EXPECT_EQ(s.games, 6);
  for (const stats::PlayerStanding& p : s.players) {
    EXPECT_EQ(p.tally.games, 4) << p.name;
    EXPECT_EQ(p.tally.wins, 2) << p.name;
  }
  EXPECT_EQ(s.pairings[2].summary.tally.pairs.count, (std::array<int64_t, 5>{0, 0, 1, 0, 0}));

  // A finished game travels as JSON and comes back the same.
  FinishedGame faulted = Won(3, 0, FaultKind::kTime);
  faulted.record = "{\"type\":\"header\"}\n";
  std::string error;
  const FinishedGame back = FinishedGameFromJson(FinishedGameJson(faulted), error);
  EXPECT_EQ(error, "");
  EXPECT_EQ(back.index, 3);
  EXPECT_EQ(back.result.fault.kind, FaultKind::kTime);
  EXPECT_EQ(back.result.fault_seat, 1);
  EXPECT_EQ(back.record, faulted.record);
  FinishedGameFromJson(nlohmann::json{{"index", 1}, {"result", {{"type", "result"}}}}, error);
  EXPECT_NE(error, "");
}

TEST(TournamentLedger, FaultsAndTheTestEndTheTournament) {
  TournamentPlan plan = PlanOf(2, TournamentFormat::kRoundRobin, 100);
  {
    TournamentLedger ledger(plan);
    ledger.Record(Won(0, 0));
    EXPECT_EQ(ledger.Record(Won(1, 1, FaultKind::kCrash)), TournamentLedger::Counted::kNo);
    EXPECT_EQ(ledger.status(), TournamentStatus::kFault);
    EXPECT_NE(ledger.fault().find("game 2 (seed 100)"), std::string::npos) << ledger.fault();
    EXPECT_FALSE(ledger.NextGame().has_value());
    EXPECT_EQ(ledger.Record(Won(2, 0)), TournamentLedger::Counted::kNo);
    EXPECT_EQ(ledger.Standings().status, "fault");
  }
  plan.recover = true;
  plan.sprt = stats::SprtParameters{0, 50, 0.05, 0.05, stats::SprtModel::kLogistic};
  TournamentLedger ledger(plan);
  EXPECT_EQ(ledger.Record(Won(0, 0, FaultKind::kCrash)), TournamentLedger::Counted::kYes);
  // Eight perfect pairs decide this test (LLR 2.97); later games are left out.
  for (int g = 1; g < 16; ++g)
    ledger.Record(Won(g, g % 2));
  EXPECT_EQ(ledger.status(), TournamentStatus::kSprtDecided);
  EXPECT_EQ(ledger.Record(Won(16, 0)), TournamentLedger::Counted::kNo);
  EXPECT_EQ(ledger.games_counted(), 16);
  // An engine that cannot start is not recovered.
  TournamentLedger again(plan);
  again.Record(Won(0, 0, FaultKind::kStart));
  EXPECT_EQ(again.status(), TournamentStatus::kFault);
}

TEST(TournamentPlan, DifferencesNameTheOptionThatChanged) {
  TournamentPlan plan = PlanOf(3, TournamentFormat::kRoundRobin, 4);
  const nlohmann::json was = PlanJson(plan);
  EXPECT_EQ(FirstPlanDifference(was, PlanJson(plan)), "");
  plan.folder = "/elsewhere";
  plan.concurrency = 4;
  plan.report_every = 9;
  EXPECT_EQ(FirstPlanDifference(was, PlanJson(plan)), "");
  plan.games = 6;
  EXPECT_EQ(FirstPlanDifference(was, PlanJson(plan)), "games: was 4, now 6");
  plan.games = 4;
  plan.engines[1].time_budget = 5;
  EXPECT_EQ(FirstPlanDifference(was, PlanJson(plan)), "engines[2].time_budget: was null, now 5.0");

  EXPECT_NE(ValidateTournamentPlan(PlanOf(1, TournamentFormat::kRoundRobin, 2)), "");
  TournamentPlan sprt = PlanOf(3, TournamentFormat::kGauntlet, 2);
  sprt.sprt = stats::SprtParameters{};
  EXPECT_NE(ValidateTournamentPlan(sprt).find("two engines"), std::string::npos);
  TournamentPlan twins = PlanOf(2, TournamentFormat::kRoundRobin, 2);
  twins.engines[1].name = "A";
  EXPECT_NE(ValidateTournamentPlan(twins).find("named \"A\""), std::string::npos);
}

// A process that plays the games without the command line gets the plan as
// JSON: every setting that decides a game must come back, and a damaged form
// must be refused rather than played.
TEST(TournamentPlan, TravelsAsJsonAndComesBackTheSame) {
  TournamentPlan plan = PlanOf(3, TournamentFormat::kGauntlet, 5);
  plan.seed = 18446744073709551557u;  // above 2^63
  plan.engines[0].argv = {"./a", "--level", "3"};
  plan.engines[1].working_folder = "/opt/b";
  plan.engines[1].time_budget = 120;
  plan.engines[2].shot_time = 2.5;
  plan.rules.ends = 3;
  plan.rules.error = 0.1234567f;
  plan.rules.free_guard_zone = false;
  plan.recover = true;
  std::istringstream file(
      "{\"name\": \"p\", \"end\": 2, \"shot\": 3, \"score\": {\"hammer\": 1, "
      "\"other\": 4}, \"stones\": [[2.3, 5.2], [0, 0], [1.7, 6.1]]}\n{\"shot\": 0}\n");
  plan.scenarios.list = stats::ParseScenarios(file, "s").scenarios;
  ASSERT_EQ(plan.scenarios.list.size(), 2u);
  plan.scenarios.order = ScenarioOrder::kRandom;
  plan.scenarios.seed = 9;
  plan.scenarios.start = 1;
  plan.scenarios.repeats = 2;
  TournamentPlan two = PlanOf(2, TournamentFormat::kRoundRobin, 2);
  two.sprt = stats::SprtParameters{-1.5, 4.5, 0.1, 0.2};
  two.sprt->model = stats::SprtModel::kLogistic;

  for (const TournamentPlan& original : {plan, two}) {
    std::string error;
    const auto back = PlanFromJson(nlohmann::json::parse(PlanJson(original).dump()), error);
    ASSERT_TRUE(back) << error;
    EXPECT_EQ(PlanJson(*back), PlanJson(original));
    // Same games: the schedule and each game's configuration agree.
    const TournamentSchedule a(original), b(*back);
    for (int i = 0; i < a.total_games(); ++i) {
      const GameConfig x = ScheduledGameConfig(original, a.Game(i));
      const GameConfig y = ScheduledGameConfig(*back, b.Game(i));
      EXPECT_EQ(x.seed, y.seed);
      EXPECT_EQ(x.engines[0].argv, y.engines[0].argv);
      EXPECT_EQ(x.rules.error, y.rules.error);
      EXPECT_EQ(x.start.has_value(), y.start.has_value());
      if (x.start) {
        EXPECT_EQ(x.start->stones[2].y, y.start->stones[2].y);
      }
    }
  }

  std::string error;
  nlohmann::json damaged = PlanJson(two);
  damaged.erase("seed");
  EXPECT_FALSE(PlanFromJson(damaged, error));
  EXPECT_NE(error.find("seed"), std::string::npos) << error;
  damaged = PlanJson(two);
  damaged["engines"][1]["name"] = "A";
  EXPECT_FALSE(PlanFromJson(damaged, error));
  EXPECT_NE(error.find("named \"A\""), std::string::npos) << error;
  EXPECT_FALSE(PlanFromJson(nlohmann::json::array(), error));
}

TEST(Standings, SeveralEnginesGetACrosstableAndTwoKeepTheirKeys) {
  const TournamentPlan plan = PlanOf(3, TournamentFormat::kRoundRobin, 2);
  TournamentLedger ledger(plan);
  // A beats B twice; A and C split; B beats C twice.
  for (const auto& [index, winner] : {std::pair{0, 0}, {1, 1}, {2, 0}, {3, 0}, {4, 0}, {5, 1}})
    ledger.Record(Won(index, winner));
  const nlohmann::json j = stats::StandingsJson(ledger.Standings());
  EXPECT_EQ(j["format"], "round-robin");
  EXPECT_EQ(j["status"], "completed");
  EXPECT_EQ(j["games"], 6);
  EXPECT_EQ(j["crosstable"]["A"]["B"]["points"], 2.0);
  EXPECT_EQ(j["crosstable"]["B"]["A"]["points"], 0.0);
  EXPECT_EQ(j["crosstable"]["C"]["A"]["points"], 1.0);
  EXPECT_EQ(j["crosstable"]["B"]["C"]["points"], 2.0);
  EXPECT_EQ(j["players"][0]["points"], 3.0);
  EXPECT_EQ(j["players"][1]["points"], 2.0);
  EXPECT_EQ(j["players"][2]["pentanomial"], nlohmann::json::array({1, 0, 1, 0, 0}));
  EXPECT_EQ(j["pairings"][1]["a"], "A");
  EXPECT_EQ(j["pairings"][1]["b"], "C");
  EXPECT_TRUE(j["sprt"].is_null());
  const std::string text = stats::FormatStandingsReport(ledger.Standings());
  EXPECT_NE(text.find("#2 B"), std::string::npos) << text;
  EXPECT_NE(text.find("2/2"), std::string::npos) << text;

  TournamentLedger two(PlanOf(2, TournamentFormat::kRoundRobin, 2));
  two.Record(Won(0, 0));
  two.Record(Won(1, 0));
  const nlohmann::json k = stats::StandingsJson(two.Standings());
  for (const char* key :
       {"games", "wins", "draws", "losses", "points", "pentanomial", "elo", "elo_low", "elo_high",
        "elo_bound", "los", "engines", "sprt", "nelo", "players", "crosstable"}) {
    EXPECT_TRUE(k.contains(key)) << key;
  }
  EXPECT_EQ(k["engines"]["a"], "engine");
}

}  // namespace
}  // namespace curling::server
