// The tournament's index page (index.html in its folder): the standings and
// every game with its engines, seed, start position and result, linked to the
// game's replay page. Self-contained, no script, no network.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace curling::server {

struct GameListing {
  int index = 0;                     // 0-based; the page links game-NNNN/replay.html
  std::array<std::string, 2> seats;  // engine names, seat 0 first
  uint64_t seed = 0;
  std::string position;  // start position name, or empty
  std::string result;    // how the game ended
  bool counted = true;   // false: played but left out of the standings
};

std::string BuildIndexPage(const std::string& title, const std::string& standings_text,
                           const std::vector<GameListing>& games);

// Writes `folder`/index.html; returns an empty string or what went wrong.
std::string WriteIndexPage(const std::filesystem::path& folder, const std::string& title,
                           const std::string& standings_text,
                           const std::vector<GameListing>& games);

}  // namespace curling::server
