// Plays a draw to the tee with the installed physics library and prints
// where the stone comes to rest.
#include <cstdio>

#include "curling_simulator/rink.h"
#include "curling_simulator/simulator.h"

int main() {
  namespace sim = curling::sim;
  ShotVector shot{};
  const AimPoint tee{static_cast<float>(sim::kTeeX), static_cast<float>(sim::kTeeY), 1, {}};
  if (CreateShot(tee, &shot) != 1) return 1;
  sim::RandomStream stream{7, 0, 0};
  const sim::ShotOutcome outcome = sim::PlayShot(GameState{}, shot, 0.0f, stream);
  const StonePosition rest = outcome.final_state.Stones[0];
  std::printf("library %s: the draw rests at (%.3f, %.3f)\n", CurlingSimulatorVersion(), rest.x,
              rest.y);
  return 0;
}
