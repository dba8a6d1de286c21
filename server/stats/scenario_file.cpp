#include "server/stats/scenario_file.h"

#include <cmath>
#include <fstream>
#include <limits>
#include <stdexcept>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "curling_simulator/rink.h"

namespace curling::stats {

namespace {

using sim::kBackLineY;
using sim::kDeliveryY;
using sim::kSheetWidth;
using sim::kStoneRadius;

constexpr int kMaxScore = 1000;

struct BadLine : std::runtime_error {
  using std::runtime_error::runtime_error;
};

int IntegerField(const nlohmann::json& object, const char* key, int fallback, int low, int high) {
  if (!object.contains(key)) return fallback;
  const nlohmann::json& v = object[key];
  if (!v.is_number_integer()) throw BadLine(fmt::format("\"{}\" must be a whole number", key));
  const auto value = v.get<int64_t>();
  if (value < low || value > high) {
    throw BadLine(fmt::format("\"{}\" is {}, outside {} to {}", key, value, low, high));
  }
  return static_cast<int>(value);
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

StartScenario ParseLine(const std::string& text, int line) {
  nlohmann::json object;
  try {
    object = nlohmann::json::parse(text);
  } catch (const nlohmann::json::parse_error& e) {
    throw BadLine(std::string("not valid JSON: ") + e.what());
  }
  if (!object.is_object()) throw BadLine("each line must be a JSON object");
  for (const auto& [key, value] : object.items()) {
    if (key != "name" && key != "end" && key != "shot" && key != "score" && key != "stones") {
      throw BadLine(fmt::format("unknown key \"{}\" (known: name, end, shot, score, stones)", key));
    }
  }

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
  if (object.contains("score")) {
    const nlohmann::json& score = object["score"];
    if (!score.is_object())
      throw BadLine("\"score\" must be an object {\"hammer\": n, \"other\": m}");
    for (const auto& [key, value] : score.items()) {
      if (key != "hammer" && key != "other") {
        throw BadLine(fmt::format("unknown key \"{}\" in \"score\" (known: hammer, other)", key));
      }
    }
    s.hammer_score = IntegerField(score, "hammer", 0, 0, kMaxScore);
    s.other_score = IntegerField(score, "other", 0, 0, kMaxScore);
  }
  if (object.contains("stones")) {
    const nlohmann::json& stones = object["stones"];
    if (!stones.is_array()) throw BadLine("\"stones\" must be an array of [x, y] pairs");
    if (stones.size() > 16) {
      throw BadLine(fmt::format("\"stones\" has {} entries, at most 16", stones.size()));
    }
    for (size_t i = 0; i < stones.size(); ++i) {
      s.stones[i] = Stone(stones[i], i);
      const bool in_play = s.stones[i].x != 0.0f || s.stones[i].y != 0.0f;
      if (in_play && static_cast<int>(i) >= s.shot) {
        throw BadLine(fmt::format("stone {} is in play but shot {} is next: it is not thrown yet",
                                  i, s.shot));
      }
    }
  }
  return s;
}

}  // namespace

ScenarioList ParseScenarios(std::istream& in, const std::string& source) {
  ScenarioList list;
  std::string text;
  int line = 0;
  while (std::getline(in, text)) {
    ++line;
    if (!text.empty() && text.back() == '\r') text.pop_back();
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos || text[first] == '#') continue;
    try {
      list.scenarios.push_back(ParseLine(text, line));
    } catch (const BadLine& e) {
      list.error = fmt::format("{}:{}: {}", source, line, e.what());
      list.scenarios.clear();
      return list;
    }
  }
  if (in.bad()) {
    list.error = fmt::format("{}: read error", source);
    list.scenarios.clear();
  } else if (list.scenarios.empty()) {
    list.error = fmt::format("{}: no scenarios in the file", source);
  }
  return list;
}

ScenarioList LoadScenarioFile(const std::filesystem::path& path) {
  std::ifstream in(path);
  if (!in) {
    ScenarioList list;
    list.error = fmt::format("{}: cannot open", path.string());
    return list;
  }
  return ParseScenarios(in, path.string());
}

}  // namespace curling::stats
