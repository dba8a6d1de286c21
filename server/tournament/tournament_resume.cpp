#include "server/tournament/tournament_resume.h"

#include <cassert>
#include <fstream>

#include "server/game/game_record.h"
#include "server/game/record_check.h"
#include "server/text/safe_files.h"
#include "server/tournament/tournament_schedule.h"

namespace curling::server {

namespace fs = std::filesystem;
using nlohmann::json;

std::string WriteManifest(const fs::path& folder, const TournamentManifest& manifest) {
  const fs::path path = folder / kManifestFile;
  return WriteFileWhole(
      path, json({{"plan", manifest.plan}, {"arguments", manifest.arguments}}).dump(2) + '\n');
}

std::optional<TournamentManifest> ReadManifest(const fs::path& folder, std::string& error) {
  const fs::path path = folder / kManifestFile;
  std::error_code ec;
  if (fs::exists(path, ec)) {
    if (error = RegularFileError(path); !error.empty()) return std::nullopt;
  }
  std::ifstream in(path);
  if (!in) {
    error = "no " + path.string() + ": not the folder of a tournament";
    return std::nullopt;
  }
  const json j = json::parse(in, nullptr, false);
  if (j.is_discarded() || !j.is_object() || !j.contains("plan") || !j["plan"].is_object() ||
      !j.contains("arguments") || !j["arguments"].is_array()) {
    error = path.string() + " is damaged";
    return std::nullopt;
  }
  TournamentManifest m;
  m.plan = j["plan"];
  for (const json& word : j["arguments"]) {
    if (!word.is_string()) {
      error = path.string() + " is damaged";
      return std::nullopt;
    }
    m.arguments.push_back(word.get<std::string>());
  }
  return m;
}

std::optional<FinishedGame> FinishedGameFromRecord(const std::vector<json>& lines,
                                                   const TournamentPlan& plan, int index,
                                                   std::string& why) {
  why.clear();
  const json& last = lines.back();
  if (!last.is_object() || last.value("type", json()) != "result") return std::nullopt;
  FinishedGame game;
  game.index = index;
  if (!ResultFromJson(last, game.result, why)) return std::nullopt;
  if (game.result.outcome == GameOutcome::kInterrupted) return std::nullopt;
  const TournamentSchedule schedule(plan);
  assert(index >= 0 && index < schedule.total_games());
  why = RecordMismatch(lines, HeaderJson(ScheduledGameConfig(plan, schedule.Game(index))));
  if (!why.empty()) return std::nullopt;
  return game;
}

std::optional<FinishedGame> ReadFinishedGame(const TournamentPlan& plan, int index,
                                             std::string& why) {
  why.clear();
  const fs::path path = GameFolder(plan.folder, index) / "game.jsonl";
  std::error_code ec;
  if (!fs::exists(fs::symlink_status(path, ec))) return std::nullopt;
  if (why = OwnFileError(path); !why.empty()) return std::nullopt;
  std::vector<json> lines;
  int skipped = 0;
  if (!ReadGameRecord(path.string(), lines, skipped, why)) {
    // A record cut off before its first line is a game that never started.
    if (fs::file_size(path, ec) == 0) why.clear();
    return std::nullopt;
  }
  std::optional<FinishedGame> game = FinishedGameFromRecord(lines, plan, index, why);
  if (!why.empty()) why = path.string() + ": " + why;
  return game;
}

ResumedGames ReadFinishedGames(const TournamentPlan& plan, int total_games) {
  ResumedGames games;
  for (int i = 0; i < total_games; ++i) {
    const fs::path path = GameFolder(plan.folder, i) / "game.jsonl";
    std::error_code ec;
    if (fs::exists(fs::symlink_status(path, ec))) {
      // Its game is written here again if it is not counted: never through a link.
      if (std::string why = OwnFileError(path); !why.empty()) {
        games.error = why;
        return games;
      }
    }
    std::string why;
    if (auto game = ReadFinishedGame(plan, i, why)) {
      games.finished.push_back(*game);
    } else if (!why.empty()) {
      games.replayed.push_back(why);
    }
  }
  return games;
}

}  // namespace curling::server
