#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <nlohmann/json.hpp>

#include "server/stats/progress_line.h"
#include "server/stats/tournament_summary.h"
#include "server/stats/tournament_tally.h"

namespace curling::stats {
namespace {

using enum GameOutcome;

TEST(TournamentTally, CountsGamesAndFormsPairsInAnyOrder) {
  TournamentTally tally;
  // Pair 0: win 5-3 then draw 4-4; pair 1: loss 2-6 then win 7-1; game 4 alone.
  EXPECT_TRUE(tally.Record(1, {kDraw, 4, 4, 8}));
  EXPECT_EQ(tally.Snapshot().pairs.Pairs(), 0);  // its partner is not in yet
  EXPECT_TRUE(tally.Record(3, {kWin, 7, 1, 8}));
  EXPECT_TRUE(tally.Record(0, {kWin, 5, 3, 8}));
  EXPECT_TRUE(tally.Record(4, {kLoss, 1, 2, 6}));
  EXPECT_TRUE(tally.Record(2, {kLoss, 2, 6, 8}));
  // A game recorded twice, or at a negative index, changes nothing.
  EXPECT_FALSE(tally.Record(2, {kWin, 9, 0, 8}));
  EXPECT_FALSE(tally.Record(-1, {kWin, 9, 0, 8}));

  const TallySnapshot s = tally.Snapshot();
  EXPECT_EQ(s.games, 5);
  EXPECT_EQ(s.wins, 2);
  EXPECT_EQ(s.draws, 1);
  EXPECT_EQ(s.losses, 2);
  EXPECT_DOUBLE_EQ(s.points, 2.5);
  EXPECT_EQ(s.ends, 38);
  EXPECT_EQ(s.end_score_difference, 2 + 0 - 4 + 6 - 1);
  EXPECT_DOUBLE_EQ(s.MeanEndScoreDifference(), 3.0 / 38.0);
  // Pair 0 scores (1 + 1/2) / 2 = 3/4, pair 1 (0 + 1) / 2 = 1/2; game 4 unpaired.
  EXPECT_EQ(s.pairs.count, (std::array<int64_t, 5>{0, 0, 1, 1, 0}));
}

TallySnapshot TallyOf(const std::vector<GameOutcome>& outcomes) {
  TournamentTally tally;
  for (size_t i = 0; i < outcomes.size(); ++i) {
    tally.Record(static_cast<int>(i), {outcomes[i], outcomes[i] == kWin ? 3 : 1, 2, 4});
  }
  return tally.Snapshot();
}

TEST(TournamentSummary, JsonCarriesTheRequiredKeys) {
  TournamentSummary s = Summarize(TallyOf({kWin, kDraw, kDraw, kWin}), std::nullopt);
  s.engine_a = "curling-engine";
  s.engine_b = "baseline-draw --seed 3";
  s.games_planned = 4;
  const nlohmann::json j = SummaryToJson(s);
  for (const char* key : {"games", "wins", "draws", "losses", "elo", "elo_low", "elo_high", "sprt",
                          "points", "mean_end_score_difference", "pentanomial", "los"}) {
    EXPECT_TRUE(j.contains(key)) << key;
  }
  EXPECT_EQ(j["games"], 4);
  EXPECT_EQ(j["wins"], 2);
  EXPECT_EQ(j["draws"], 2);
  EXPECT_EQ(j["losses"], 0);
  EXPECT_TRUE(j["sprt"].is_null());
  EXPECT_EQ(j["elo_bound"], "two-sided");
  // Pairs 3/4 and 3/4: s = 0.75 with no spread of its own; the prior's
  // v = 0.5 * 0.9375 / 4.5 gives the interval its width (an end past 1 is null).
  EXPECT_NEAR(j["elo"].get<double>(), 190.849, 1e-3);
  EXPECT_NEAR(j["elo_low"].get<double>(), -144.962, 1e-3);
  EXPECT_TRUE(j["elo_high"].is_null());
  EXPECT_EQ(j["engines"]["b"], "baseline-draw --seed 3");

  const std::string text = FormatTextReport(s);
  EXPECT_NE(text.find("A wins 2, draws 2, losses 0"), std::string::npos) << text;
  EXPECT_NE(text.find("+190.8"), std::string::npos) << text;
}

TEST(TournamentSummary, UnboundedAndSprtCasesAreReportedHonestly) {
  // A wins all 40 games: no number for the Elo, a lower bound instead.
  const TournamentSummary all = Summarize(TallyOf(std::vector<GameOutcome>(40, kWin)),
                                          SprtParameters{0, 10, 0.05, 0.05, SprtModel::kLogistic});
  const nlohmann::json j = SummaryToJson(all);
  EXPECT_TRUE(j["elo"].is_null());
  EXPECT_TRUE(j["elo_high"].is_null());
  // 20 perfect pairs: v = 0.5 * 1.875 / 22.5, s >= 1 - 1.96 sqrt(v / 20) = 0.910533.
  EXPECT_NEAR(j["elo_low"].get<double>(), 403.069, 1e-3);
  EXPECT_EQ(j["elo_bound"], "lower");
  ASSERT_TRUE(j["sprt"].is_object());
  EXPECT_EQ(j["sprt"]["result"], "H1");
  EXPECT_EQ(j["sprt"]["elo1"], 10.0);
  EXPECT_NE(FormatTextReport(all).find("at least +403.1"), std::string::npos);
  EXPECT_NE(FormatTextReport(all).find("H1 accepted"), std::string::npos);

  // One game (no pair): every Elo field null, and still valid JSON.
  const nlohmann::json one = SummaryToJson(Summarize(TallyOf({kLoss}), std::nullopt));
  EXPECT_EQ(one["games"], 1);
  EXPECT_EQ(one["losses"], 1);
  EXPECT_TRUE(one["elo"].is_null() && one["elo_low"].is_null() && one["elo_high"].is_null());
  EXPECT_TRUE(nlohmann::json::parse(one.dump()).is_object());

  // An even score has Elo -400 log10(1) = -0: written as 0, never "-0.0"; so
  // is an SPRT whose bounds sit at -0.
  const TournamentSummary even =
      Summarize(TallyOf({kWin, kLoss, kLoss, kWin}), SprtParameters{-0.0, 10, 0.05, 0.05});
  const std::string text = SummaryToJson(even).dump();
  for (const char* negative_zero : {"-0.0,", "-0.0}", "-0.0]"}) {
    EXPECT_EQ(text.find(negative_zero), std::string::npos) << text;
  }
  EXPECT_EQ(SummaryToJson(even)["elo"], 0.0);
}

TEST(TournamentSummary, ProgressLineShowsCountsEstimateAndTest) {
  TournamentSummary s = Summarize(TallyOf({kWin, kDraw, kDraw, kLoss}), SprtParameters{});
  s.games_planned = 10;
  const std::string line = FormatProgressLine(s);
  EXPECT_NE(line.find("games 4/10"), std::string::npos) << line;
  EXPECT_NE(line.find("W 1 D 2 L 1"), std::string::npos) << line;
  EXPECT_NE(line.find("points 2.0"), std::string::npos) << line;
  // Pairs 3/4 and 1/4: s = 1/2, v = 0.0972222.
  EXPECT_NE(line.find("Elo +0.0 [-455.1, +455.1]"), std::string::npos) << line;
  EXPECT_NE(line.find("LLR"), std::string::npos) << line;
  EXPECT_EQ(line.find('\n'), std::string::npos);

  const TournamentSummary lost =
      Summarize(TallyOf(std::vector<GameOutcome>(20, kLoss)), std::nullopt);
  EXPECT_NE(FormatProgressLine(lost).find("Elo <= -275.8"), std::string::npos)
      << FormatProgressLine(lost);
  // One perfect pair bounds nothing yet.
  const TournamentSummary won = Summarize(TallyOf({kWin, kWin}), std::nullopt);
  EXPECT_NE(FormatProgressLine(won).find("Elo n/a"), std::string::npos) << FormatProgressLine(won);
}

TEST(TournamentSummary, WritesAReadableFileAndReportsFailure) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() /
      ("stats_summary_test_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
  std::filesystem::create_directories(dir);
  const TournamentSummary s = Summarize(TallyOf({kWin, kLoss}), std::nullopt);
  EXPECT_EQ(WriteSummaryJson(dir, s), "");
  std::ifstream in(dir / "summary.json");
  const nlohmann::json j = nlohmann::json::parse(in);
  EXPECT_EQ(j["games"], 2);
  EXPECT_FALSE(std::filesystem::exists(dir / "summary.json.tmp"));
  std::filesystem::remove_all(dir);

  EXPECT_NE(WriteSummaryJson(dir / "missing" / "folder", s), "");
}

}  // namespace
}  // namespace curling::stats
