// baseline-draw: always draws to the tee, with a random curl.
#include <random>

#include "baselines/baseline_options.h"
#include "baselines/baseline_session.h"
#include "baselines/shot_choices.h"

int main(int argc, char** argv) {
  using namespace curling::baselines;
  BaselineOptions options;
  if (const auto exit_code = ParseBaselineOptions(argc, argv, 0, options)) return *exit_code;
  std::mt19937_64 random(options.seed);
  const Physics physics{&Simulation, &CreateShot, &CreateHitShot};
  return RunBaseline([&](const GameState&) { return ChooseDrawToTee(physics, random); });
}
