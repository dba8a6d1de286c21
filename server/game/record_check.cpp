#include "server/game/record_check.h"

#include <array>
#include <optional>

#include <fmt/format.h>

#include "curling_simulator/records.h"
#include "server/game/end_scoring.h"
#include "server/game/game_record.h"

namespace curling::server {
namespace {

using nlohmann::json;

// The header fields that say which game a record is; "version" and
// "started" say when and by what it was played and may differ.
constexpr const char* kIdentity[] = {"engines", "seed", "stream", "rules", "start"};

std::string HeaderMismatch(const json& header, const json& expected) {
  for (const char* key : kIdentity) {
    const json none;
    const json& have = header.contains(key) ? header[key] : none;
    const json& want = expected.contains(key) ? expected[key] : none;
    if (have != want) return fmt::format("its header does not match the plan's {}", key);
  }
  return {};
}

bool IsType(const json& line, const char* type) {
  return line.is_object() && line.value("type", json()) == type;
}

bool IsSeat(const json& v) {
  return v.is_number_integer() && (v.get<int64_t>() == 0 || v.get<int64_t>() == 1);
}

bool IsSmallInteger(const json& v, int64_t low, int64_t high) {
  return v.is_number_integer() && v.get<int64_t>() >= low && v.get<int64_t>() <= high;
}

// The stones where the last shot left them, as the count reads them.
std::optional<GameState> StonesAfter(const json& shot) {
  const json& after = shot.contains("after") ? shot["after"] : json();
  if (!after.is_array() || after.size() != 32) return std::nullopt;
  GameState state{};
  for (size_t i = 0; i < 16; ++i) {
    if (!after[2 * i].is_number() || !after[2 * i + 1].is_number()) return std::nullopt;
    state.Stones[i].x = after[2 * i].get<float>();
    state.Stones[i].y = after[2 * i + 1].get<float>();
  }
  return state;
}

// Walks the shot and end lines: the running totals, or why they do not add up.
struct EndsWalk {
  std::array<int, 2> total{};
  int end = 0;          // the end being played after the last end line
  bool played = false;  // a shot or an end was recorded
  std::string error;
};

std::string CheckEnd(const json& line, const json* last_shot, bool first_end_of_start,
                     EndsWalk& walk) {
  if (!IsSmallInteger(line.value("end", json()), walk.end, walk.end)) {
    return fmt::format("end line {} out of order", walk.end + 1);
  }
  const json scoring = line.value("scoring_seat", json());
  const json points = line.value("points", json());
  if (!IsSeat(line.value("first_seat", json())) || !(scoring.is_null() || IsSeat(scoring)) ||
      !IsSmallInteger(points, scoring.is_null() ? 0 : 1, scoring.is_null() ? 0 : 8)) {
    return fmt::format("end {} is malformed", walk.end + 1);
  }
  if (last_shot) {
    const std::optional<GameState> stones = StonesAfter(*last_shot);
    if (!stones) return fmt::format("end {}'s last shot is malformed", walk.end + 1);
    const EndScore score = ScoreEnd(*stones);
    const int first = line["first_seat"].get<int>();
    const int seat = score.side < 0 ? -1 : score.side == 0 ? first : 1 - first;
    const int have_seat = scoring.is_null() ? -1 : scoring.get<int>();
    if (seat != have_seat || score.points != points.get<int>()) {
      return fmt::format("end {}'s points are not the count of its stones", walk.end + 1);
    }
  } else if (!first_end_of_start) {
    return fmt::format("end {} has no shots", walk.end + 1);
  }
  if (!scoring.is_null()) walk.total[scoring.get<size_t>()] += points.get<int>();
  const json total = line.value("total", json());
  if (!total.is_array() || total.size() != 2 || total[0] != walk.total[0] ||
      total[1] != walk.total[1]) {
    return fmt::format("end {}'s total does not follow from the points", walk.end + 1);
  }
  ++walk.end;
  return {};
}

EndsWalk WalkEnds(const std::vector<json>& lines, const json& expected) {
  EndsWalk walk;
  const bool started = expected.contains("start");
  if (started) {
    walk.end = expected["start"]["end"].get<int>();
    walk.total = expected["start"]["total"].get<std::array<int, 2>>();
  }
  const int first_end = walk.end;
  const json* last_shot = nullptr;
  for (size_t i = 1; i + 1 < lines.size() && walk.error.empty(); ++i) {
    const json& line = lines[i];
    if (IsType(line, "shot")) {
      if (line.value("end", json()) != walk.end) {
        walk.error = fmt::format("a shot of end {} out of order", walk.end + 1);
      }
      last_shot = &line;
      walk.played = true;
    } else if (IsType(line, "end")) {
      walk.error = CheckEnd(line, last_shot, started && walk.end == first_end, walk);
      last_shot = nullptr;
      walk.played = true;
    }
  }
  return walk;
}

std::string ResultMismatch(const GameResult& result, const EndsWalk& walk, const json& rules) {
  // An engine that fails to start loses before the start position is set up:
  // nothing played, no points, no end.
  if (result.outcome == GameOutcome::kFault && !walk.played && result.total == std::array{0, 0} &&
      result.ends_played == 0) {
    return result.winner == 1 - result.fault_seat ? ""
                                                  : "its winner is not the faulty seat's opponent";
  }
  if (result.total != walk.total) {
    return fmt::format("its result {}-{} is not the sum of its ends ({}-{})", result.total[0],
                       result.total[1], walk.total[0], walk.total[1]);
  }
  if (result.ends_played != walk.end) {
    return fmt::format("its result counts {} ends, its ends {}", result.ends_played, walk.end);
  }
  if (result.outcome == GameOutcome::kFault) {
    if (result.winner != 1 - result.fault_seat)
      return "its winner is not the faulty seat's opponent";
    return {};
  }
  const int ends = rules.value("ends", 0);
  if (result.ends_played < ends) return "it ends before its regular ends are played";
  const int winner = result.total[0] == result.total[1]  ? -1
                     : result.total[0] > result.total[1] ? 0
                                                         : 1;
  if (result.winner != winner) return "its winner is not the side with more points";
  return {};
}

}  // namespace

std::string RecordMismatch(const std::vector<json>& lines, const json& expected) {
  if (lines.empty() || !IsType(lines.front(), "header")) return "it has no header";
  if (std::string why = HeaderMismatch(lines.front(), expected); !why.empty()) return why;
  GameResult result;
  std::string error;
  if (lines.size() < 2 || !ResultFromJson(lines.back(), result, error)) {
    return "it does not end in a result";
  }
  const EndsWalk walk = WalkEnds(lines, expected);
  if (!walk.error.empty()) return walk.error;
  return ResultMismatch(result, walk, expected.value("rules", json::object()));
}

}  // namespace curling::server
