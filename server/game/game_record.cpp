#include "server/game/game_record.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <ctime>
#include <fstream>

#include "server/text/bounded_line_reader.h"
#include "server/text/float_text.h"
#include "server/text/safe_files.h"

#ifndef CURLING_VERSION
#define CURLING_VERSION "unknown"
#endif

namespace curling::server {
namespace {

using nlohmann::json;

json StonesJson(const GameState& state) {
  json stones = json::array();
  for (const StonePosition& stone : state.Stones) {
    stones.push_back(FloatAsShortDouble(stone.x));
    stones.push_back(FloatAsShortDouble(stone.y));
  }
  return stones;
}

json DeliveryJson(const ShotVector& shot) {
  return json::array({FloatAsShortDouble(shot.vx), FloatAsShortDouble(shot.vy), shot.curl});
}

// Trajectory points to the millimetre: plenty to draw, a fraction of the size.
double Millimetres(float value) {
  if (!std::isfinite(value)) return 0.0;
  return std::round(static_cast<double>(value) * 1000.0) / 1000.0;
}

// Sample times to a tenth of a millisecond: a stone at full speed moves under
// half a millimetre in that time, so a replay placed by them stays within the
// points' own rounding.
double TenthsOfMilliseconds(float value) {
  if (!std::isfinite(value)) return 0.0;
  return std::round(static_cast<double>(value) * 1e4) / 1e4;
}

std::string UtcNow() {
  const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  std::tm tm{};
  gmtime_r(&now, &tm);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &tm);
  return text;
}

const char* OutcomeName(GameOutcome outcome) {
  switch (outcome) {
    case GameOutcome::kCompleted:
      return "completed";
    case GameOutcome::kFault:
      return "fault";
    case GameOutcome::kInterrupted:
      return "interrupted";
  }
  return "unknown";
}

json SeatOrNull(int seat) {
  return seat < 0 ? json(nullptr) : json(seat);
}

}  // namespace

json HeaderJson(const GameConfig& config) {
  json engines = json::array();
  for (const EngineCommand& engine : config.engines) {
    json entry = {{"name", engine.name}, {"command", engine.argv}};
    if (!engine.working_folder.empty()) entry["folder"] = engine.working_folder;
    if (engine.time_budget) entry["time_budget"] = *engine.time_budget;
    if (engine.shot_time) entry["shot_time"] = *engine.shot_time;
    engines.push_back(entry);
  }
  const GameRules& rules = config.rules;
  json header = {{"type", "header"},
                 {"version", CURLING_VERSION},
                 {"started", UtcNow()},
                 {"engines", engines},
                 {"seed", config.seed},
                 {"stream", config.stream},
                 {"rules",
                  {{"ends", rules.ends},
                   {"extra_ends", rules.extra_ends},
                   {"error", FloatAsShortDouble(rules.error)},
                   {"time_budget", rules.time_budget},
                   {"ready_timeout", rules.ready_timeout},
                   {"free_guard_zone", rules.free_guard_zone}}}};
  if (config.start) {
    json stones = json::array();
    for (const StonePosition& stone : config.start->stones) {
      stones.push_back(json::array({FloatAsShortDouble(stone.x), FloatAsShortDouble(stone.y)}));
    }
    header["start"] = {{"end", config.start->end},
                       {"shot", config.start->shot},
                       {"first_seat", config.start->first_seat},
                       {"total", config.start->total},
                       {"stones", stones}};
  }
  return header;
}

json ShotJson(const ShotRecord& shot) {
  json trajectories = json::array();
  for (const sim::StoneTrajectory& path : shot.outcome.trajectories) {
    json points = json::array();
    json times = json::array();
    for (const sim::TrajectorySample& sample : path.samples) {
      points.push_back(json::array({Millimetres(sample.x), Millimetres(sample.y)}));
      times.push_back(TenthsOfMilliseconds(sample.t));
    }
    trajectories.push_back({{"stone", path.stone}, {"points", points}, {"times", times}});
  }
  json events = json::array();
  for (const sim::ShotEvent& event : shot.outcome.events) {
    json entry = {
        {"kind", sim::EventKindName(event.kind)}, {"t", Millimetres(event.t)}, {"a", event.a}};
    if (event.b >= 0) entry["b"] = event.b;
    events.push_back(entry);
  }
  const ShotReply& reply = shot.answer.reply;
  return {{"type", "shot"},
          {"end", shot.end},
          {"shot", shot.shot},
          {"seat", shot.seat},
          {"before", StonesJson(shot.before)},
          {"texts", shot.answer.texts},
          {"shot_num", reply.shot_num ? json(*reply.shot_num) : json(nullptr)},
          {"mean_score", reply.mean_score ? json(*reply.mean_score) : json(nullptr)},
          {"delivery", DeliveryJson(reply.shot)},
          {"played", DeliveryJson(shot.outcome.played)},
          {"after", StonesJson(shot.outcome.final_state)},
          {"thinking", std::round(shot.answer.thinking_seconds * 1e6) / 1e6},
          {"budget_left", std::round(shot.budget_left * 1e3) / 1e3},
          {"trajectories", trajectories},
          {"events", events}};
}

json EndJson(const EndRecord& end) {
  return {{"type", "end"},
          {"end", end.end},
          {"first_seat", end.first_seat},
          {"scoring_seat", SeatOrNull(end.scoring_seat)},
          {"points", end.score.points},
          {"total", end.total}};
}

json ResultJson(const GameResult& result) {
  json line = {{"type", "result"},
               {"outcome", OutcomeName(result.outcome)},
               {"winner", SeatOrNull(result.winner)},
               {"total", result.total},
               {"ends_played", result.ends_played},
               {"reason", result.reason},
               {"thinking", result.thinking_seconds}};
  if (result.fault_seat >= 0) {
    line["fault_seat"] = result.fault_seat;
    line["fault_kind"] = FaultKindName(result.fault.kind);
    line["fault"] = result.fault.reason;
  }
  return line;
}

namespace {

bool IsSeat(const json& v) {
  return v.is_number_integer() && (v.get<int64_t>() == 0 || v.get<int64_t>() == 1);
}

bool IsPairOf(const json& v, bool integers) {
  if (!v.is_array() || v.size() != 2) return false;
  for (const json& x : v) {
    if (integers ? !x.is_number_integer() : !x.is_number()) return false;
  }
  return true;
}

// The text at `key`, "" when there is none or it is not text.
std::string TextAt(const json& line, const char* key) {
  const auto at = line.find(key);
  return at != line.end() && at->is_string() ? at->get<std::string>() : std::string();
}

}  // namespace

bool ResultFromJson(const json& line, GameResult& result, std::string& error) {
  const auto bad = [&](const char* what) {
    error = std::string("result line: ") + what;
    return false;
  };
  if (!line.is_object() || TextAt(line, "type") != "result") return bad("not a result");
  const std::string outcome = TextAt(line, "outcome");
  if (outcome == "completed") {
    result.outcome = GameOutcome::kCompleted;
  } else if (outcome == "fault") {
    result.outcome = GameOutcome::kFault;
  } else if (outcome == "interrupted") {
    result.outcome = GameOutcome::kInterrupted;
  } else {
    return bad("unknown outcome");
  }
  const json winner = line.value("winner", json());
  if (!winner.is_null() && !IsSeat(winner)) return bad("bad winner");
  result.winner = winner.is_null() ? -1 : winner.get<int>();
  if (!IsPairOf(line.value("total", json()), true)) return bad("bad total");
  result.total = line["total"].get<std::array<int, 2>>();
  if (result.total[0] < 0 || result.total[1] < 0) return bad("a negative total");
  if (!line.value("ends_played", json()).is_number_integer()) return bad("bad ends_played");
  result.ends_played = line["ends_played"].get<int>();
  result.reason = TextAt(line, "reason");
  if (line.contains("thinking")) {
    if (!IsPairOf(line["thinking"], false)) return bad("bad thinking");
    result.thinking_seconds = line["thinking"].get<std::array<double, 2>>();
  }
  result.fault_seat = -1;
  result.fault = {};
  if (line.contains("fault_seat")) {
    if (!IsSeat(line["fault_seat"])) return bad("bad fault_seat");
    result.fault_seat = line["fault_seat"].get<int>();
    result.fault.kind = FaultKindFromName(TextAt(line, "fault_kind"));
    result.fault.reason = TextAt(line, "fault");
    if (result.fault.kind == FaultKind::kNone) return bad("unknown fault_kind");
  }
  if (result.outcome == GameOutcome::kFault && result.fault_seat < 0) {
    return bad("a fault without fault_seat");
  }
  return true;
}

GameRecordWriter::GameRecordWriter(const std::string& path) : path_(path) {
  fd_ = OpenFileToWrite(path, error_);
}

GameRecordWriter::~GameRecordWriter() {
  if (fd_ >= 0) close(fd_);
}

void GameRecordWriter::Write(const json& line) {
  if (!ok()) return;
  // Engine texts may hold any bytes: replace invalid UTF-8 instead of throwing.
  std::string text = line.dump(-1, ' ', false, json::error_handler_t::replace);
  text += '\n';
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = write(fd_, text.data() + done, text.size() - done);
    if (n > 0) {
      done += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    error_ = "writing " + path_ + " failed: " + (n < 0 ? std::strerror(errno) : "no progress");
    // Never leave half a line: cut the file back to the last whole one.
    if (done > 0 && ftruncate(fd_, written_) != 0) {
      error_ += std::string("; cutting back the partial line failed too: ") + std::strerror(errno);
    }
    return;
  }
  written_ += static_cast<long long>(text.size());
  if (listener_) {
    text.pop_back();
    listener_->OnRecordLine(text);
  }
}

bool ReadGameRecord(std::istream& in, const std::string& name, std::vector<json>& lines,
                    int& skipped, std::string& error) {
  lines.clear();
  skipped = 0;
  BoundedLineReader reader(in, kMaxRecordLineBytes, kMaxRecordBytes);
  std::string text;
  for (LineRead read; (read = reader.Next(text)) != LineRead::kEnd;) {
    if (read != LineRead::kLine) {
      error = name + ":" + std::to_string(reader.line_number()) + ": " +
              (read == LineRead::kTooLong   ? "line too long (at most 64 MiB)"
               : read == LineRead::kTooMuch ? "file too large (at most 256 MiB)"
                                            : "read error");
      return false;
    }
    if (text.empty()) continue;
    json line = json::parse(text, nullptr, false);
    if (line.is_discarded() || !line.is_object() || !line.contains("type")) {
      ++skipped;
      continue;
    }
    lines.push_back(std::move(line));
  }
  if (lines.empty() || lines.front()["type"] != "header") {
    error = name + " is not a game record (no header line)";
    return false;
  }
  return true;
}

bool ReadGameRecord(const std::string& path, std::vector<json>& lines, int& skipped,
                    std::string& error) {
  if (error = RegularFileError(path); !error.empty()) return false;
  std::ifstream in(path);
  if (!in) {
    error = "cannot read " + path;
    return false;
  }
  return ReadGameRecord(in, path, lines, skipped, error);
}

}  // namespace curling::server
