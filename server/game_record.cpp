#include "server/game_record.h"

#include <chrono>
#include <cmath>
#include <ctime>

#include "server/float_text.h"

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

const char* EventName(sim::EventKind kind) {
  switch (kind) {
    case sim::EventKind::kCollision:
      return "collision";
    case sim::EventKind::kStopped:
      return "stopped";
    case sim::EventKind::kLeftSide:
      return "left_side";
    case sim::EventKind::kLeftBack:
      return "left_back";
    case sim::EventKind::kHogLine:
      return "hog_line";
    case sim::EventKind::kFreeGuardZone:
      return "free_guard_zone";
    case sim::EventKind::kEventLimit:
      return "event_limit";
    case sim::EventKind::kOutOfPlayBefore:
      return "out_of_play_before";
  }
  return "unknown";
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
    engines.push_back({{"name", engine.name}, {"command", engine.argv}});
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
    json entry = {{"kind", EventName(event.kind)}, {"t", Millimetres(event.t)}, {"a", event.a}};
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

GameRecordWriter::GameRecordWriter(const std::string& path) : out_(path, std::ios::trunc) {}

void GameRecordWriter::Write(const json& line) {
  // Engine texts may hold any bytes: replace invalid UTF-8 instead of throwing.
  out_ << line.dump(-1, ' ', false, json::error_handler_t::replace) << '\n';
  out_.flush();
}

bool ReadGameRecord(const std::string& path, std::vector<json>& lines, int& skipped,
                    std::string& error) {
  std::ifstream in(path);
  if (!in) {
    error = "cannot read " + path;
    return false;
  }
  lines.clear();
  skipped = 0;
  std::string text;
  while (std::getline(in, text)) {
    if (text.empty()) continue;
    json line = json::parse(text, nullptr, false);
    if (line.is_discarded() || !line.is_object() || !line.contains("type")) {
      ++skipped;
      continue;
    }
    lines.push_back(std::move(line));
  }
  if (lines.empty() || lines.front()["type"] != "header") {
    error = path + " is not a game record (no header line)";
    return false;
  }
  return true;
}

}  // namespace curling::server
