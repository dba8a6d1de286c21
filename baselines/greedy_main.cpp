// baseline-greedy: one ply of Monte Carlo over a small fixed candidate set.
#include "baselines/baseline_options.h"
#include "baselines/baseline_session.h"
#include "baselines/shot_choices.h"

namespace {
constexpr int kDefaultSamples = 32;
}

int main(int argc, char** argv) {
  using namespace curling::baselines;
  BaselineOptions options;
  if (const auto exit_code = ParseBaselineOptions(argc, argv, kDefaultSamples, options))
    return *exit_code;
  SetRandomSeed(options.seed);
  const Physics physics{&Simulation, &CreateShot, &CreateHitShot};
  return RunBaseline(
      [&](const GameState& state) { return ChooseGreedy(state, physics, options.samples); });
}
