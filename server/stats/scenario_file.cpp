#include "server/stats/scenario_file.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <limits>
#include <stdexcept>
#include <string_view>

#include <fmt/format.h>
#include <fmt/ranges.h>
#include <nlohmann/json.hpp>

#include "curling_simulator/rink.h"
#include "server/text/bounded_line_reader.h"
#include "server/text/safe_files.h"

namespace curling::stats {

namespace {

using sim::kBackLineY;
using sim::kDeliveryY;
using sim::kSheetWidth;
using sim::kStoneRadius;

constexpr int kMaxScore = 1000;
// No start position needs more than a few hundred bytes; the caps keep a
// wrong file (a device, a stream without line ends) from filling memory.
constexpr size_t kMaxLineBytes = 1 << 20;
constexpr size_t kMaxFileBytes = 64 << 20;

struct BadLine : std::runtime_error {
  using std::runtime_error::runtime_error;
};

int IntegerField(const nlohmann::json& object, const char* key, int fallback, int low, int high) {
  if (!object.contains(key)) return fallback;
  const nlohmann::json& v = object[key];
  if (!v.is_number_integer()) throw BadLine(fmt::format("\"{}\" must be a whole number", key));
  // Whole numbers beyond int64 arrive unsigned: compare them as they are.
  const bool in_range = v.is_number_unsigned()
                            ? v.get<uint64_t>() <= static_cast<uint64_t>(high)
                            : v.get<int64_t>() >= low && v.get<int64_t>() <= high;
  if (!in_range) {
    throw BadLine(fmt::format("\"{}\" is {}, outside {} to {}", key, v.dump(), low, high));
  }
  return static_cast<int>(v.get<int64_t>());
}

StonePosition Stone(const nlohmann::json& entry, size_t i) {
  if (!entry.is_array() || entry.size() != 2 || !entry[0].is_number() || !entry[1].is_number()) {
    throw BadLine(fmt::format("stone {} must be a pair of numbers [x, y]", i));
  }
  const double x = entry[0].get<double>();
  const double y = entry[1].get<double>();
  if (x == 0.0 && y == 0.0) return StonePosition{0.0f, 0.0f};
  // On the sheet between the side lines, from the back of the back line up
  // to the delivery point.
  const bool on_sheet = std::isfinite(x) && std::isfinite(y) && x > kStoneRadius &&
                        x < kSheetWidth - kStoneRadius && y >= kBackLineY - kStoneRadius &&
                        y <= kDeliveryY;
  if (!on_sheet) {
    throw BadLine(fmt::format(
        "stone {} at ({}, {}) is not on the sheet (use [0, 0] for a stone out of play)", i, x, y));
  }
  return StonePosition{static_cast<float>(x), static_cast<float>(y)};
}

nlohmann::json ParseObject(const std::string& text) {
  nlohmann::json object;
  try {
    object = nlohmann::json::parse(text);
  } catch (const nlohmann::json::exception& e) {
    // Syntax errors, and numbers beyond double range ({"shot": 1e400}).
    throw BadLine(std::string("not valid JSON: ") + e.what());
  }
  if (!object.is_object()) throw BadLine("each line must be a JSON object");
  return object;
}

// `where` is "" for the line's own keys, or names the object they are in.
void CheckKnownKeys(const nlohmann::json& object, std::initializer_list<std::string_view> known,
                    std::string_view where) {
  for (const auto& [key, value] : object.items()) {
    if (std::find(known.begin(), known.end(), key) == known.end()) {
      throw BadLine(
          fmt::format("unknown key \"{}\"{} (known: {})", key, where, fmt::join(known, ", ")));
    }
  }
}

void ReadScore(const nlohmann::json& object, StartScenario& s) {
  if (!object.contains("score")) return;
  const nlohmann::json& score = object["score"];
  if (!score.is_object())
    throw BadLine("\"score\" must be an object {\"hammer\": n, \"other\": m}");
  CheckKnownKeys(score, {"hammer", "other"}, " in \"score\"");
  s.hammer_score = IntegerField(score, "hammer", 0, 0, kMaxScore);
  s.other_score = IntegerField(score, "other", 0, 0, kMaxScore);
}

void ReadStones(const nlohmann::json& object, StartScenario& s) {
  if (!object.contains("stones")) return;
  const nlohmann::json& stones = object["stones"];
  if (!stones.is_array()) throw BadLine("\"stones\" must be an array of [x, y] pairs");
  if (stones.size() > 16) {
    throw BadLine(fmt::format("\"stones\" has {} entries, at most 16", stones.size()));
  }
  for (size_t i = 0; i < stones.size(); ++i) {
    s.stones[i] = Stone(stones[i], i);
    const bool in_play = s.stones[i].x != 0.0f || s.stones[i].y != 0.0f;
    if (in_play && static_cast<int>(i) >= s.shot) {
      throw BadLine(
          fmt::format("stone {} is in play but shot {} is next: it is not thrown yet", i, s.shot));
    }
  }
}

StartScenario ParseLine(const std::string& text, int line) {
  const nlohmann::json object = ParseObject(text);
  CheckKnownKeys(object, {"name", "end", "shot", "score", "stones"}, "");
  StartScenario s;
  s.line = line;
  s.name = fmt::format("line {}", line);
  if (object.contains("name")) {
    if (!object["name"].is_string()) throw BadLine("\"name\" must be a string");
    s.name = object["name"].get<std::string>();
  }
  if (!object.contains("shot")) throw BadLine("\"shot\" is missing");
  s.shot = IntegerField(object, "shot", 0, 0, 15);
  s.end = IntegerField(object, "end", 0, 0, std::numeric_limits<int>::max());
  ReadScore(object, s);
  ReadStones(object, s);  // after the shot: stones not yet thrown must be off the sheet
  return s;
}

}  // namespace

ScenarioList ParseScenarios(std::istream& in, const std::string& source) {
  ScenarioList list;
  auto fail = [&](int line, const std::string& why) {
    list.error =
        line > 0 ? fmt::format("{}:{}: {}", source, line, why) : fmt::format("{}: {}", source, why);
    list.scenarios.clear();
    return list;
  };
  server::BoundedLineReader reader(in, kMaxLineBytes, kMaxFileBytes);
  std::string text;
  while (true) {
    const server::LineRead read = reader.Next(text);
    const int line = reader.line_number();
    if (read == server::LineRead::kEnd) break;
    if (read == server::LineRead::kTooLong) return fail(line, "line too long (at most 1 MiB)");
    if (read == server::LineRead::kTooMuch) return fail(0, "file too large (at most 64 MiB)");
    if (read == server::LineRead::kFailed) return fail(0, "read error");
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos || text[first] == '#') continue;
    try {
      list.scenarios.push_back(ParseLine(text, line));
    } catch (const BadLine& e) {
      return fail(line, e.what());
    }
  }
  if (in.bad()) return fail(0, "read error");
  if (list.scenarios.empty()) list.error = fmt::format("{}: no scenarios in the file", source);
  return list;
}

ScenarioList LoadScenarioFile(const std::filesystem::path& path) {
  if (std::string why = server::RegularFileError(path); !why.empty()) {
    ScenarioList list;
    list.error = why;
    return list;
  }
  std::ifstream in(path);
  if (!in) {
    ScenarioList list;
    list.error = fmt::format("{}: cannot open", path.string());
    return list;
  }
  return ParseScenarios(in, path.string());
}

}  // namespace curling::stats
