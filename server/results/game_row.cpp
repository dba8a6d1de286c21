#include "server/results/game_row.h"

#include <cassert>
#include <stdexcept>

#include "server/game/game_record.h"
#include "server/results/executable_hash.h"

namespace curling::results {

namespace {

using nlohmann::json;

struct RecordError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// The header's engine entry as a player (its build left unknown).
PlayerIdentity PlayerFrom(const json& engine) {
  PlayerIdentity player;
  player.name = engine.at("name").get<std::string>();
  player.argv = engine.at("command").get<std::vector<std::string>>();
  player.command = json(player.argv).dump();
  json settings = json::object();
  if (engine.contains("folder")) {
    player.working_folder = engine["folder"].get<std::string>();
    settings["folder"] = player.working_folder;
  }
  for (const char* key : {"time_budget", "shot_time"}) {
    if (!engine.contains(key)) continue;
    if (!engine[key].is_number()) throw RecordError("bad engine setting");
    settings[key] = engine[key];
  }
  player.settings = settings.dump();
  return player;
}

// Points by seat of every end line, in order.
std::string EndsOf(const std::vector<json>& lines) {
  json ends = json::array();
  for (const json& line : lines) {
    if (!line.is_object() || line.value("type", json()) != "end") continue;
    const json& seat = line.at("scoring_seat");
    const int points = line.at("points").get<int>();
    std::array<int, 2> by_seat{};
    if (!seat.is_null()) by_seat.at(seat.get<size_t>()) = points;
    ends.push_back(by_seat);
  }
  return ends.dump();
}

void ReadHeader(const json& header, GameRow& row) {
  row.started = header.at("started").get<std::string>();
  if (UtcSeconds(row.started) < 0) throw RecordError("bad start time");
  const json& engines = header.at("engines");
  if (!engines.is_array() || engines.size() != 2) {
    throw RecordError("not two engines");
  }
  for (size_t seat = 0; seat < 2; ++seat)
    row.seats[seat] = PlayerFrom(engines[seat]);
  row.seed = std::to_string(header.at("seed").get<uint64_t>());
  row.stream = static_cast<int64_t>(header.value("stream", uint64_t{0}) & 0x7fffffffffffffff);
  if (!header.at("rules").is_object()) throw RecordError("bad rules");
  row.rules = header["rules"].dump();
  if (header.contains("start")) row.start = header["start"].dump();
}

void ReadResult(const json& line, GameRow& row) {
  server::GameResult result;
  std::string why;
  if (!server::ResultFromJson(line, result, why)) {
    throw RecordError(why);
  }
  if (result.outcome == server::GameOutcome::kInterrupted) throw RecordError("no result");
  row.outcome = result.outcome == server::GameOutcome::kCompleted ? "completed" : "fault";
  if (result.winner >= 0) row.winner = result.winner;
  row.total = result.total;
  row.ends_played = result.ends_played;
  if (result.fault_seat >= 0) {
    row.fault_seat = result.fault_seat;
    row.fault_kind = line.value("fault_kind", std::string());
  }
  row.reason = result.reason;
  row.thinking = result.thinking_seconds;
}

}  // namespace

std::optional<GameRow> RowFromRecord(const std::string& record_bytes,
                                     const std::vector<json>& lines, std::string& error,
                                     bool& unfinished) {
  unfinished = false;
  if (lines.empty() || !lines.front().is_object() ||
      lines.front().value("type", json()) != "header") {
    error = "no header line";
    return std::nullopt;
  }
  if (!lines.back().is_object() || lines.back().value("type", json()) != "result") {
    error = "no result line: the game did not finish";
    unfinished = true;
    return std::nullopt;
  }
  GameRow row;
  if (lines.back().value("outcome", json()) == "interrupted") {
    error = "interrupted: no result";
    unfinished = true;
    return std::nullopt;
  }
  try {
    ReadHeader(lines.front(), row);
    ReadResult(lines.back(), row);
    row.ends = EndsOf(lines);
  } catch (const std::exception& e) {  // json's, RecordError, a seat out of range

    error = std::string("malformed record: ") + e.what();
    return std::nullopt;
  }
  row.record_sha256 = Sha256Hex(record_bytes);
  return row;
}

}  // namespace curling::results
