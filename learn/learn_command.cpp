#include "learn/learn_command.h"

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "curling_simulator/rink.h"
#include "eval/position_features.h"
#include "eval/value_network.h"
#include "game/simulator_binding.h"
#include "learn/data_generation.h"
#include "learn/position_lines.h"

namespace curling::learn {
namespace {

struct GenerateOptions {
  GenerationPlan plan;
  std::string out;
  std::string model;
  int samples = 8;
  int ends_left = 3;
  strong::HitWeights hits = strong::HitWeights::kWithFirm;
  std::string played;  // a position file (position_lines.h)
  double played_share = 0.5;
};

// The physics library beside this program, else by the loader's search.
bool LoadLibrary(std::string& reason) {
  std::vector<char> path(4096);
  const ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size() - 1);
  std::string first;
  if (n > 0) {
    std::string exe(path.data(), static_cast<size_t>(n));
    exe = exe.substr(0, exe.rfind('/') + 1) + "libCurlingSimulator.so";
    if (LoadSimulator(exe, first)) return true;
  }
  if (LoadSimulator("libCurlingSimulator.so", reason)) return true;
  reason = first + "; " + reason;
  return false;
}

int Fail(const std::string& message, int code = 2) {
  std::fprintf(stderr, "curling-learn: %s\n", message.c_str());
  return code;
}

std::optional<ValueNetwork> ReadNetwork(const std::string& path, std::string& error) {
  std::optional<ValueNetwork> network = ValueNetwork::Read(path, error);
  if (!network) error = "value network: " + error;
  return network;
}

// The plan's share of positions from the --played file (ChoosePlayedPositions).
bool TakePlayedPositions(const GenerateOptions& options, GenerationPlan& plan, std::string& error) {
  std::vector<GameState> pool;
  if (!ReadPositionFile(options.played, plan.shot, pool, error)) return false;
  const auto wanted = static_cast<int64_t>(std::llround(options.played_share * plan.positions));
  plan.played = ChoosePlayedPositions(std::move(pool), wanted, plan.seed);
  std::fprintf(stderr, "curling-learn: %zu of %lld positions from %s\n", plan.played.size(),
               static_cast<long long>(plan.positions), options.played.c_str());
  return true;
}

int Generate(const GenerateOptions& options) {
  std::optional<ValueNetwork> network;
  if (!options.model.empty()) {
    std::string error;
    network = ReadNetwork(options.model, error);
    if (!network) return Fail(error);
  } else if (options.plan.shot < 15) {
    return Fail("--model is needed before the last stone: positions are judged at the next shot");
  }
  GenerationPlan plan = options.plan;
  if (!options.played.empty()) {
    std::string error;
    if (!TakePlayedPositions(options, plan, error)) return Fail(error);
  }
  std::string reason;
  if (!LoadLibrary(reason)) return Fail("cannot load the physics library: " + reason, 1);
  const strong::DeliveryErrorModel error(sim::kMatchRandomError,
                                         strong::DeliveryErrorModel::MeasureDeceleration());
  const PositionSampler sampler(PositionMix{}, error);
  LabelSetup labels{error, network ? &*network : nullptr, options.samples,
                    strong::GameSituation{0, options.ends_left}, options.hits};
  const std::vector<TrainingRecord> records = GenerateRecords(plan, sampler, labels);
  std::string write_error;
  if (!WriteTrainingData(options.out, records, write_error)) return Fail(write_error, 1);
  std::fprintf(stderr, "curling-learn: %zu positions of shot %d written to %s\n", records.size(),
               options.plan.shot, options.out.c_str());
  return 0;
}

// One input line of `predict` as features: kFeatureCount numbers, or with
// `positions` a position line (position_lines.h). False, with what is
// wrong, for anything else.
bool ReadInputLine(const std::string& line, bool positions, PositionFeatures& features,
                   std::string& error) {
  if (positions) {
    GameState state;
    if (!ParsePositionLine(line, state, error)) return false;
    features = FeaturesOf(state);
    return true;
  }
  return ParseNumberLine(line, features.data(), kFeatureCount, error);
}

// Reads input lines (ReadInputLine) and writes the network's distribution
// for the side to throw of each, kEndResultCount numbers a line (%.9g).
int Predict(const std::string& model, bool positions) {
  std::string error;
  const std::optional<ValueNetwork> network = ReadNetwork(model, error);
  if (!network) return Fail(error);
  std::string line;
  for (int number = 1; std::getline(std::cin, line); ++number) {
    PositionFeatures features{};
    if (!ReadInputLine(line, positions, features, error))
      return Fail("line " + std::to_string(number) + ": " + error);
    const EndResultDistribution p = network->Predict(features);
    for (int c = 0; c < kEndResultCount; ++c)
      std::printf("%s%.9g", c == 0 ? "" : " ", p[static_cast<size_t>(c)]);
    std::printf("\n");
  }
  return 0;
}

}  // namespace

int RunLearnProgram(int argc, char** argv) {
  CLI::App app{"curling-learn: labelled positions for the learned position value"};
  app.require_subcommand(1);
  GenerateOptions generate;
  generate.plan.threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  CLI::App* gen = app.add_subcommand("generate", "sample and label positions of one shot number");
  gen->add_option("--shot", generate.plan.shot, "shot number, 0 to 15")
      ->required()
      ->check(CLI::Range(0, 15));
  gen->add_option("--positions", generate.plan.positions, "positions to label")
      ->required()
      ->check(CLI::Range(int64_t{1}, int64_t{100'000'000}));
  gen->add_option("--out", generate.out, "the data file to write")->required();
  gen->add_option("--model", generate.model, "weight file judging the next shot (before 15)");
  gen->add_option("--samples", generate.samples, "deliveries per candidate")
      ->check(CLI::Range(1, 10'000));
  gen->add_option("--seed", generate.plan.seed, "seed of every draw");
  gen->add_option("--threads", generate.plan.threads, "threads (default: the cores)")
      ->check(CLI::Range(1, 256));
  gen->add_option("--ends-left", generate.ends_left,
                  "ends left after this one in the tied game whose chance to win picks the best")
      ->check(CLI::Range(0, 20));
  gen->add_option("--hits", generate.hits,
                  "the candidates' hits: firm (as --strong weighs them, the default) or called")
      ->transform(CLI::CheckedTransformer(std::map<std::string, strong::HitWeights>{
          {"firm", strong::HitWeights::kWithFirm}, {"called", strong::HitWeights::kCalled}}));
  gen->add_option("--played", generate.played,
                  "positions from played games, one a line: the shot number and the 16 stones' "
                  "x and y (learn/played_positions.py writes them)");
  gen->add_option("--played-share", generate.played_share,
                  "the share of --positions taken from --played (fewer if it holds fewer)")
      ->check(CLI::Range(0.0, 1.0));
  std::string model;
  CLI::App* predict = app.add_subcommand("predict", "the network's distribution of feature lines");
  predict->add_option("--model", model, "weight file")->required();
  bool positions = false;
  predict->add_flag("--positions", positions,
                    "lines are a shot number and the 16 stones' x and y, not features");
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int code = app.exit(e);
    return code == 0 ? 0 : 2;
  }
  if (*gen) return Generate(generate);
  return Predict(model, positions);
}

}  // namespace curling::learn
