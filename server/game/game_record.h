// The game record: JSON Lines, one header line, one line per shot, one line
// per end, one result line. Each line is flushed as soon as it is known, so a
// crash of the server loses nothing already played.
#pragma once

#include <istream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "server/game/game_types.h"

namespace curling::server {

// JSON form of each record line ("type" says which).
nlohmann::json HeaderJson(const GameConfig& config);
nlohmann::json ShotJson(const ShotRecord& shot);
nlohmann::json EndJson(const EndRecord& end);
nlohmann::json ResultJson(const GameResult& result);

// Reads a result line back (the inverse of ResultJson). Returns false with
// `error` set when the line is not a well-formed result.
bool ResultFromJson(const nlohmann::json& line, GameResult& result, std::string& error);

// Told of each line once the record holds it whole (the live view's feed):
// the line's JSON text without its line end. Called on the game's thread.
class RecordLineListener {
 public:
  virtual ~RecordLineListener() = default;
  virtual void OnRecordLine(const std::string& text) = 0;
};

// Writes each line whole, in one write: a write that fails part-way (a full
// disk) is cut back to the last whole line, and nothing more is written. The
// game stops at its next turn once a write has failed (Failed()).
class GameRecordWriter : public GameObserver {
 public:
  // Opens (truncates) `path`; ok() says whether that worked.
  explicit GameRecordWriter(const std::string& path);
  ~GameRecordWriter() override;
  GameRecordWriter(const GameRecordWriter&) = delete;
  GameRecordWriter& operator=(const GameRecordWriter&) = delete;

  // False once the file could not be opened or a line could not be written.
  bool ok() const { return error_.empty(); }
  // Why not ok().
  const std::string& error() const { return error_; }

  void OnGameStart(const GameConfig& config) override { Write(HeaderJson(config)); }
  void OnShot(const ShotRecord& shot) override { Write(ShotJson(shot)); }
  void OnEnd(const EndRecord& end) override { Write(EndJson(end)); }
  void OnResult(const GameResult& result) override { Write(ResultJson(result)); }
  std::string Failure() const override { return error_; }

  // `listener` (may be null) outlives the writer.
  void set_listener(RecordLineListener* listener) { listener_ = listener; }

 private:
  void Write(const nlohmann::json& line);
  std::string path_;
  int fd_ = -1;
  long long written_ = 0;  // bytes of whole lines in the file
  std::string error_;
  RecordLineListener* listener_ = nullptr;
};

// Caps on a record read back: far beyond any game (a shot line is tens of
// KiB, a whole game a few MiB), they keep a wrong file from filling memory.
inline constexpr size_t kMaxRecordLineBytes = 64 << 20;
inline constexpr size_t kMaxRecordBytes = 256 << 20;

// Reads a record back. Lines that do not parse are skipped and counted (a
// record cut short by a crash may end in half a line). Returns false with
// `error` set when the file cannot be read, holds no header line, or exceeds
// the caps above.
bool ReadGameRecord(const std::string& path, std::vector<nlohmann::json>& lines, int& skipped,
                    std::string& error);
// The same from a stream; `name` stands for it in `error`.
bool ReadGameRecord(std::istream& in, const std::string& name, std::vector<nlohmann::json>& lines,
                    int& skipped, std::string& error);

}  // namespace curling::server
