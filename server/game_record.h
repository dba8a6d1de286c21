// The game record: JSON Lines, one header line, one line per shot, one line
// per end, one result line. Each line is flushed as soon as it is known, so a
// crash of the server loses nothing already played.
#pragma once

#include <fstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "server/game_types.h"

namespace curling::server {

// JSON form of each record line ("type" says which).
nlohmann::json HeaderJson(const GameConfig& config);
nlohmann::json ShotJson(const ShotRecord& shot);
nlohmann::json EndJson(const EndRecord& end);
nlohmann::json ResultJson(const GameResult& result);

// Reads a result line back (the inverse of ResultJson). Returns false with
// `error` set when the line is not a well-formed result.
bool ResultFromJson(const nlohmann::json& line, GameResult& result, std::string& error);

class GameRecordWriter : public GameObserver {
 public:
  // Opens (truncates) `path`; ok() says whether that worked.
  explicit GameRecordWriter(const std::string& path);
  bool ok() const { return static_cast<bool>(out_); }

  void OnGameStart(const GameConfig& config) override { Write(HeaderJson(config)); }
  void OnShot(const ShotRecord& shot) override { Write(ShotJson(shot)); }
  void OnEnd(const EndRecord& end) override { Write(EndJson(end)); }
  void OnResult(const GameResult& result) override { Write(ResultJson(result)); }

 private:
  void Write(const nlohmann::json& line);
  std::ofstream out_;
};

// Reads a record back. Lines that do not parse are skipped and counted (a
// record cut short by a crash may end in half a line). Returns false with
// `error` set when the file cannot be read or holds no header line.
bool ReadGameRecord(const std::string& path, std::vector<nlohmann::json>& lines, int& skipped,
                    std::string& error);

}  // namespace curling::server
