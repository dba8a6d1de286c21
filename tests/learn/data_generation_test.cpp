// curling-learn's positions and labels against the real library: the same
// records for a seed on any number of threads, labels that are
// distributions, and a data file written whole or not at all.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "curling_simulator/rink.h"
#include "eval/position_features.h"
#include "eval/value_network.h"
#include "game/rink.h"
#include "game/simulator_binding.h"
#include "learn/data_generation.h"

namespace curling::learn {
namespace {

class DataGenerationTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string reason;
    ASSERT_TRUE(LoadSimulator(CURLING_SIMULATOR_PATH, reason)) << reason;
  }

  static strong::DeliveryErrorModel Error() {
    return strong::DeliveryErrorModel(sim::kMatchRandomError,
                                      strong::DeliveryErrorModel::MeasureDeceleration());
  }

  // A network that favours scoring one (any weights would do here).
  static ValueNetwork Network() {
    DenseLayer layer{kFeatureCount, kEndResultCount,
                     std::vector<float>(kFeatureCount * kEndResultCount, 0.01f),
                     std::vector<float>(kEndResultCount, 0.0f)};
    layer.biases[static_cast<size_t>(EndResultClass(1))] = 1.0f;
    std::string error;
    return *ValueNetwork::Parse(ValueNetwork::Serialize({layer}), error);
  }

  static std::vector<uint8_t> Generate(int shot, uint64_t seed, int threads,
                                       const ValueNetwork* network) {
    const PositionSampler sampler(PositionMix{}, Error());
    const LabelSetup labels{Error(), network, 2, strong::GameSituation{0, 3}};
    return EncodeTrainingData(
        GenerateRecords(GenerationPlan{shot, 12, seed, threads}, sampler, labels));
  }
};

TEST_F(DataGenerationTest, RecordsDependOnTheSeedNotOnTheThreads) {
  const ValueNetwork network = Network();
  for (int shot : {15, 9}) {
    const ValueNetwork* judge = shot == 15 ? nullptr : &network;
    const std::vector<uint8_t> one = Generate(shot, 7, 1, judge);
    EXPECT_EQ(Generate(shot, 7, 2, judge), one) << shot;
    EXPECT_EQ(Generate(shot, 7, 3, judge), one) << shot;
    EXPECT_NE(Generate(shot, 8, 2, judge), one) << shot;
  }
}

TEST_F(DataGenerationTest, LabelsAreDistributionsAndTheLastStoneIsCounted) {
  const PositionSampler sampler(PositionMix{}, Error());
  const int samples = 4;
  const LabelSetup labels{Error(), nullptr, samples, strong::GameSituation{0, 3}};
  const std::vector<TrainingRecord> records =
      GenerateRecords(GenerationPlan{15, 16, 3, 2}, sampler, labels);
  ASSERT_EQ(records.size(), 16u);
  for (const TrainingRecord& r : records) {
    EXPECT_EQ(r.shot, 15);
    double total = 0.0;
    for (double p : r.results) {
      total += p;
      // Counted ends: each sample adds a whole quarter to one class.
      EXPECT_NEAR(p * samples, std::round(p * samples), 1e-9);
    }
    EXPECT_NEAR(total, 1.0, 1e-9);
    EXPECT_EQ(r.features[2 * kFeatureStonesPerSide * kFeatureValuesPerStone + 15], 1.0f);
  }
}

TEST_F(DataGenerationTest, LabelsWeighFirmHitsAsTheSearchDoesUnlessToldOtherwise) {
  GameState state{};
  state.ShotNum = 15;
  state.Stones[14] = {kTeeX, kTeeY + 0.3f};
  state.Stones[13] = {kTeeX - 0.5f, kTeeY};
  const LabelSetup firm{Error(), nullptr, 1, strong::GameSituation{0, 3}};
  LabelSetup called = firm;
  called.hits = strong::HitWeights::kCalled;
  // Two firm weights on each curl for each of the two stones.
  EXPECT_EQ(LabelPosition(state, firm, 5).candidates,
            LabelPosition(state, called, 5).candidates + 2 * 2 * 2);
}

TEST_F(DataGenerationTest, PlayedPositionsComeFirstPickedBySeedAndTheRestAreSampled) {
  std::vector<GameState> pool(5);
  for (int i = 0; i < 5; ++i) {
    pool[static_cast<size_t>(i)].ShotNum = 15;
    pool[static_cast<size_t>(i)].Stones[0] = {kTeeX + 0.1f * static_cast<float>(i), kTeeY};
  }
  const std::vector<GameState> chosen = ChoosePlayedPositions(pool, 3, 7);
  ASSERT_EQ(chosen.size(), 3u);
  auto first_x = [](const std::vector<GameState>& states) {
    std::vector<float> xs;
    for (const GameState& s : states)
      xs.push_back(s.Stones[0].x);
    return xs;
  };
  EXPECT_EQ(first_x(ChoosePlayedPositions(pool, 3, 7)), first_x(chosen));
  std::vector<float> all = first_x(ChoosePlayedPositions(pool, 9, 7));
  EXPECT_EQ(all.size(), 5u);  // no more than the pool holds
  std::sort(all.begin(), all.end());
  EXPECT_EQ(all, first_x(pool));  // each once
  EXPECT_NE(first_x(ChoosePlayedPositions(pool, 5, 8)), first_x(ChoosePlayedPositions(pool, 5, 7)));

  const PositionSampler sampler(PositionMix{}, Error());
  const LabelSetup labels{Error(), nullptr, 2, strong::GameSituation{0, 3}};
  GenerationPlan plan{15, 6, 7, 1};
  plan.played = chosen;
  const std::vector<TrainingRecord> one = GenerateRecords(plan, sampler, labels);
  ASSERT_EQ(one.size(), 6u);
  for (size_t i = 0; i < chosen.size(); ++i)
    EXPECT_EQ(one[i].features, FeaturesOf(chosen[i])) << i;
  plan.threads = 3;
  EXPECT_EQ(EncodeTrainingData(GenerateRecords(plan, sampler, labels)), EncodeTrainingData(one));
  plan.played.clear();
  const std::vector<TrainingRecord> sampled = GenerateRecords(plan, sampler, labels);
  EXPECT_EQ(sampled[4].features, one[4].features);  // past the played ones: the same draws
}

TEST_F(DataGenerationTest, SampledPositionsHoldOnlyTheirThrownStones) {
  const PositionSampler sampler(PositionMix{0.5, 0.25}, Error());
  for (int shot : {0, 4, 11}) {
    for (uint64_t key = 0; key < 6; ++key) {
      const GameState state = sampler.Sample(shot, key);
      EXPECT_EQ(state.ShotNum, shot);
      for (int i = shot; i < kStoneCount; ++i)
        EXPECT_FALSE(IsInPlay(state.Stones[i])) << shot << " " << i;
    }
  }
}

TEST_F(DataGenerationTest, DataFileIsWrittenWholeOrNotAtAll) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "data_generation_test";
  std::filesystem::create_directories(dir);
  std::vector<TrainingRecord> records(3);
  std::string error;
  const std::string path = (dir / "data.bin").string();
  ASSERT_TRUE(WriteTrainingData(path, records, error)) << error;
  const size_t width = 4 * (kFeatureCount + kEndResultCount + 1);
  EXPECT_EQ(std::filesystem::file_size(path), 32 + 3 * width);  // header: 32 bytes
  EXPECT_FALSE(std::filesystem::exists(path + ".part"));
  EXPECT_FALSE(WriteTrainingData((dir / "no" / "data.bin").string(), records, error));
  EXPECT_NE(error.find("data.bin.part"), std::string::npos) << error;
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace curling::learn
