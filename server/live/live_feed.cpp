#include "server/live/live_feed.h"

#include <nlohmann/json.hpp>

namespace curling::server::live {
namespace {

using nlohmann::json;

std::string Text(const json& data) {
  return data.dump(-1, ' ', false, json::error_handler_t::replace);
}

}  // namespace

void LiveFeed::OnTournamentStart(const TournamentPlan& plan) {
  server_.SetFolder(plan.folder);
  std::string title = "Tournament: ";
  for (size_t i = 0; i < plan.engines.size(); ++i)
    title += (i ? ", " : "") + plan.engines[i].name;
  broadcast_.SetTitle(title, true);
}

void LiveFeed::OnGameLine(int index, const std::string& text) {
  broadcast_.PostLine(index, text);
}

void LiveFeed::OnGameBooked(const GameListing& game, const std::string& replay,
                            const stats::Standings& standings) {
  const json data = {{"game", game.index},
                     {"seats", game.seats},
                     {"seed", game.seed},
                     {"position", game.position},
                     {"result", game.result},
                     {"counted", game.counted},
                     {"replay", replay.empty() ? json() : json(replay)},
                     {"tournament", true}};
  broadcast_.PostBooked(game.index, Text(data), true);
  OnStandings(standings);
}

void LiveFeed::OnStandings(const stats::Standings& standings) {
  broadcast_.PostStandings(Text(stats::StandingsJson(standings)));
}

void LiveFeed::StartGame(const std::filesystem::path& folder, const std::string& a,
                         const std::string& b) {
  server_.SetFolder(folder);
  seats_ = {a, b};
  broadcast_.SetTitle(a + " vs " + b, false);
}

void LiveFeed::GameFinished(const std::string& result, const std::string& replay) {
  const json data = {{"game", 0},
                     {"seats", seats_},
                     {"result", result},
                     {"counted", true},
                     {"replay", replay.empty() ? json() : json(replay)},
                     {"tournament", false}};
  broadcast_.PostBooked(0, Text(data), false);
}

}  // namespace curling::server::live
