#include "server/program/match_program.h"

#include <filesystem>

#include "curling_simulator/simulator.h"

namespace curling::server {

namespace fs = std::filesystem;

std::string DefaultEngine() {
  std::error_code ec;
  const fs::path self = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return "curling-engine";
  return (self.parent_path() / "curling-engine").string();
}

ShotPlayer LibraryShotPlayer() {
  return [](const GameState& state, const ShotVector& shot, float error,
            curling::sim::RandomStream& stream, const curling::sim::Rules& rules) {
    return curling::sim::PlayShot(state, shot, error, stream, rules, 0.1f);
  };
}

std::vector<std::string> GivenOptions(const CLI::App& app) {
  std::vector<std::string> names;
  for (const CLI::Option* option : app.get_options()) {
    if (option->count() > 0) names.push_back(option->get_name());
  }
  return names;
}

}  // namespace curling::server
