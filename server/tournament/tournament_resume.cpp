#include "server/tournament/tournament_resume.h"

#include <fstream>

#include "server/game/game_record.h"
#include "server/tournament/tournament_schedule.h"

namespace curling::server {

namespace fs = std::filesystem;
using nlohmann::json;

std::string WriteManifest(const fs::path& folder, const TournamentManifest& manifest) {
  const fs::path path = folder / kManifestFile;
  std::ofstream out(path, std::ios::trunc);
  out << json({{"plan", manifest.plan}, {"arguments", manifest.arguments}}).dump(2) << '\n';
  out.flush();
  if (!out) return "cannot write " + path.string();
  return {};
}

std::optional<TournamentManifest> ReadManifest(const fs::path& folder, std::string& error) {
  const fs::path path = folder / kManifestFile;
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

std::optional<FinishedGame> ReadFinishedGame(const fs::path& game_folder, int index) {
  std::vector<json> lines;
  int skipped = 0;
  std::string error;
  if (!ReadGameRecord((game_folder / "game.jsonl").string(), lines, skipped, error)) {
    return std::nullopt;
  }
  const json& last = lines.back();
  if (last.value("type", "") != "result") return std::nullopt;
  FinishedGame game;
  game.index = index;
  if (!ResultFromJson(last, game.result, error)) return std::nullopt;
  if (game.result.outcome == GameOutcome::kInterrupted) return std::nullopt;
  return game;
}

std::vector<FinishedGame> ReadFinishedGames(const TournamentPlan& plan, int total_games) {
  std::vector<FinishedGame> games;
  for (int i = 0; i < total_games; ++i) {
    if (auto game = ReadFinishedGame(GameFolder(plan.folder, i), i)) games.push_back(*game);
  }
  return games;
}

}  // namespace curling::server
