// The live view's news from the run: a tournament's watcher, or the record
// lines of one game, posted to the broadcast; and the output folder handed
// to the server.
#pragma once

#include <array>
#include <filesystem>
#include <string>

#include "server/game/game_record.h"
#include "server/live/live_broadcast.h"
#include "server/live/live_server.h"
#include "server/tournament/tournament_watcher.h"

namespace curling::server::live {

class LiveFeed : public TournamentWatcher, public RecordLineListener {
 public:
  LiveFeed(LiveBroadcast& broadcast, LiveServer& server) : broadcast_(broadcast), server_(server) {}

  void OnTournamentStart(const TournamentPlan& plan) override;
  void OnGameLine(int index, const std::string& text) override;
  void OnGameBooked(const GameListing& game, const std::string& replay,
                    const stats::Standings& standings) override;
  void OnStandings(const stats::Standings& standings) override;

  // One game (not a tournament): its folder and engines' names first, then
  // its record lines, then its replay page once written.
  void StartGame(const std::filesystem::path& folder, const std::string& a, const std::string& b);
  void OnRecordLine(const std::string& text) override { broadcast_.PostLine(0, text); }
  void GameFinished(const std::string& result, const std::string& replay);

 private:
  LiveBroadcast& broadcast_;
  LiveServer& server_;
  std::array<std::string, 2> seats_;
};

}  // namespace curling::server::live
