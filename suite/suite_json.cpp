#include "suite/suite_json.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string_view>

#include <fmt/format.h>
#include <fmt/ranges.h>

namespace curling::suite {
namespace {

using nlohmann::json;

constexpr int kMaxScore = 1000;
constexpr int kMaxEnd = 1000;
// Stones in play may touch (micrometres) but not overlap: the library takes
// a stone overlapping an earlier one by more than 1 mm out of play.
constexpr double kMostOverlap = 0.001;

void CheckKnownKeys(const json& object, std::initializer_list<std::string_view> known,
                    std::string_view where) {
  for (const auto& [key, value] : object.items()) {
    if (std::find(known.begin(), known.end(), key) == known.end()) {
      throw BadSuiteLine(
          fmt::format("unknown key \"{}\"{} (known: {})", key, where, fmt::join(known, ", ")));
    }
  }
}

const json& Required(const json& object, const char* key) {
  if (!object.contains(key)) throw BadSuiteLine(fmt::format("\"{}\" is missing", key));
  return object[key];
}

long long Integer(const json& v, const char* key, long long low, long long high) {
  if (!v.is_number_integer()) throw BadSuiteLine(fmt::format("\"{}\" must be a whole number", key));
  const bool in_range = v.is_number_unsigned()
                            ? v.get<uint64_t>() <= static_cast<uint64_t>(high)
                            : v.get<int64_t>() >= low && v.get<int64_t>() <= high;
  if (!in_range) {
    throw BadSuiteLine(fmt::format("\"{}\" is {}, outside {} to {}", key, v.dump(), low, high));
  }
  return v.get<int64_t>();
}

double Number(const json& v, const char* key) {
  if (!v.is_number()) throw BadSuiteLine(fmt::format("\"{}\" must be a number", key));
  const double x = v.get<double>();
  if (!std::isfinite(x)) throw BadSuiteLine(fmt::format("\"{}\" must be finite", key));
  return x;
}

std::string Text(const json& v, const char* key) {
  if (!v.is_string()) throw BadSuiteLine(fmt::format("\"{}\" must be a string", key));
  return v.get<std::string>();
}

StonePosition Stone(const json& entry, size_t i) {
  if (!entry.is_array() || entry.size() != 2 || !entry[0].is_number() || !entry[1].is_number()) {
    throw BadSuiteLine(fmt::format("stone {} must be a pair of numbers [x, y]", i));
  }
  const double x = entry[0].get<double>();
  const double y = entry[1].get<double>();
  if (x == 0.0 && y == 0.0) return StonePosition{0.0f, 0.0f};
  const bool on_sheet = std::isfinite(x) && std::isfinite(y) && x > sim::kStoneRadius &&
                        x < sim::kSheetWidth - sim::kStoneRadius &&
                        y >= sim::kBackLineY - sim::kStoneRadius && y <= sim::kDeliveryY;
  if (!on_sheet) {
    throw BadSuiteLine(fmt::format(
        "stone {} at ({}, {}) is not on the sheet (use [0, 0] for a stone out of play)", i, x, y));
  }
  return StonePosition{static_cast<float>(x), static_cast<float>(y)};
}

bool InPlay(const StonePosition& s) {
  return s.x != 0.0f || s.y != 0.0f;
}

void CheckNoOverlap(const std::array<StonePosition, 16>& stones) {
  for (int i = 0; i < 16; ++i) {
    for (int j = i + 1; j < 16; ++j) {
      if (!InPlay(stones[i]) || !InPlay(stones[j])) continue;
      const double d =
          std::hypot(double(stones[i].x) - stones[j].x, double(stones[i].y) - stones[j].y);
      const double overlap = 2.0 * sim::kStoneRadius - d;
      if (overlap > kMostOverlap) {
        throw BadSuiteLine(
            fmt::format("stones {} and {} overlap by {:.1f} mm", i, j, overlap * 1e3));
      }
    }
  }
}

std::array<StonePosition, 16> Stones(const json& stones, int shot) {
  if (!stones.is_array()) throw BadSuiteLine("\"stones\" must be an array of 16 [x, y] pairs");
  if (stones.size() != 16) {
    throw BadSuiteLine(fmt::format("\"stones\" has {} entries, not 16", stones.size()));
  }
  std::array<StonePosition, 16> out{};
  for (size_t i = 0; i < 16; ++i) {
    out[i] = Stone(stones[i], i);
    if (InPlay(out[i]) && static_cast<int>(i) >= shot) {
      throw BadSuiteLine(
          fmt::format("stone {} is in play but shot {} is next: it is not thrown yet", i, shot));
    }
  }
  CheckNoOverlap(out);
  return out;
}

GameContext Context(const json& object) {
  GameContext c;
  c.end = static_cast<int>(Integer(Required(object, "end"), "end", 0, kMaxEnd));
  c.last_end = static_cast<int>(Integer(Required(object, "last_end"), "last_end", 0, kMaxEnd));
  if (c.last_end < c.end) {
    throw BadSuiteLine(fmt::format("\"last_end\" {} is before \"end\" {}", c.last_end, c.end));
  }
  const json& score = Required(object, "score");
  if (!score.is_object()) {
    throw BadSuiteLine("\"score\" must be an object {\"own\": n, \"opponent\": m}");
  }
  CheckKnownKeys(score, {"own", "opponent"}, " in \"score\"");
  c.own_score = static_cast<int>(Integer(Required(score, "own"), "own", 0, kMaxScore));
  c.opponent_score =
      static_cast<int>(Integer(Required(score, "opponent"), "opponent", 0, kMaxScore));
  return c;
}

Objective ObjectiveFrom(const json& v) {
  const std::string name = Text(v, "objective");
  if (name == "points") return Objective::kPoints;
  if (name == "win") return Objective::kWin;
  throw BadSuiteLine(fmt::format("\"objective\" is \"{}\": \"points\" or \"win\"", name));
}

std::vector<std::string> Tags(const json& v) {
  if (!v.is_array()) throw BadSuiteLine("\"tags\" must be an array of strings");
  std::vector<std::string> tags;
  for (const json& t : v)
    tags.push_back(Text(t, "tags"));
  return tags;
}

RatedDelivery RatedFrom(const json& v, const char* where) {
  if (!v.is_object()) throw BadSuiteLine(fmt::format("\"{}\" must be an object", where));
  CheckKnownKeys(v, {"kind", "x", "y", "power", "vx", "vy", "curl", "value", "se"},
                 fmt::format(" in \"{}\"", where));
  RatedDelivery r;
  Delivery& d = r.delivery;
  d.kind = Text(Required(v, "kind"), "kind");
  d.x = static_cast<float>(Number(Required(v, "x"), "x"));
  d.y = static_cast<float>(Number(Required(v, "y"), "y"));
  d.power = static_cast<float>(Number(Required(v, "power"), "power"));
  d.shot.vx = static_cast<float>(Number(Required(v, "vx"), "vx"));
  d.shot.vy = static_cast<float>(Number(Required(v, "vy"), "vy"));
  d.shot.curl = static_cast<uint8_t>(Integer(Required(v, "curl"), "curl", 0, 1));
  r.value = Number(Required(v, "value"), "value");
  r.standard_error = Number(Required(v, "se"), "se");
  if (r.standard_error < 0) throw BadSuiteLine("\"se\" must not be negative");
  return r;
}

Answer AnswerFrom(const json& v) {
  if (!v.is_object()) throw BadSuiteLine("\"answer\" must be an object");
  CheckKnownKeys(v, {"samples", "best", "runners_up"}, " in \"answer\"");
  Answer a;
  a.samples = static_cast<int>(Integer(Required(v, "samples"), "samples", 1, 1 << 24));
  a.best = RatedFrom(Required(v, "best"), "best");
  if (v.contains("runners_up")) {
    if (!v["runners_up"].is_array()) throw BadSuiteLine("\"runners_up\" must be an array");
    for (const json& r : v["runners_up"])
      a.runners_up.push_back(RatedFrom(r, "runners_up"));
  }
  return a;
}

WinTable TableFrom(const json& v) {
  if (!v.is_object()) throw BadSuiteLine("\"win_table\" must be an object");
  CheckKnownKeys(v, {"max_lead", "max_ends_left", "chance"}, " in \"win_table\"");
  const int max_lead = static_cast<int>(Integer(Required(v, "max_lead"), "max_lead", 0, 100));
  const int max_ends =
      static_cast<int>(Integer(Required(v, "max_ends_left"), "max_ends_left", 0, 100));
  const json& chance = Required(v, "chance");
  const size_t leads = static_cast<size_t>(2 * max_lead + 1);
  const auto wrong = [&] {
    return BadSuiteLine(fmt::format(
        "\"chance\" must hold {} rows (ends left 0 to {}) of 2 rows (without, with the hammer) "
        "of {} chances (leads -{} to {})",
        max_ends + 1, max_ends, leads, max_lead, max_lead));
  };
  if (!chance.is_array() || chance.size() != static_cast<size_t>(max_ends + 1)) throw wrong();
  std::vector<double> values;
  for (const json& by_hammer : chance) {
    if (!by_hammer.is_array() || by_hammer.size() != 2) throw wrong();
    for (const json& row : by_hammer) {
      if (!row.is_array() || row.size() != leads) throw wrong();
      for (const json& p : row) {
        const double x = Number(p, "chance");
        if (x < 0.0 || x > 1.0) throw BadSuiteLine(fmt::format("a chance of {} is not in 0..1", x));
        values.push_back(x);
      }
    }
  }
  return WinTable(max_lead, max_ends, std::move(values));
}

json TableJson(const WinTable& table) {
  json chance = json::array();
  size_t i = 0;
  for (int n = 0; n <= table.max_ends_left(); ++n) {
    json by_hammer = json::array();
    for (int h = 0; h < 2; ++h) {
      json row = json::array();
      for (int d = 0; d < table.leads(); ++d)
        row.push_back(table.values()[i++]);
      by_hammer.push_back(std::move(row));
    }
    chance.push_back(std::move(by_hammer));
  }
  return {{"max_lead", table.max_lead()},
          {"max_ends_left", table.max_ends_left()},
          {"chance", std::move(chance)}};
}

}  // namespace

json FloatJson(float value) {
  char text[32];
  const auto [end, ec] = std::to_chars(text, text + sizeof text, value);
  if (ec != std::errc()) return static_cast<double>(value);
  *end = '\0';
  return std::strtod(text, nullptr);
}

json DeliveryJson(const RatedDelivery& rated) {
  const Delivery& d = rated.delivery;
  return {{"kind", d.kind},
          {"x", FloatJson(d.x)},
          {"y", FloatJson(d.y)},
          {"power", FloatJson(d.power)},
          {"vx", FloatJson(d.shot.vx)},
          {"vy", FloatJson(d.shot.vy)},
          {"curl", d.shot.curl},
          {"value", rated.value},
          {"se", rated.standard_error}};
}

json HeaderJson(const SuiteHeader& header) {
  json j = {{"type", "suite"},
            {"name", header.name},
            {"error", FloatJson(header.error)},
            {"free_guard_zone", header.free_guard_zone},
            {"seed", header.seed}};
  if (!header.solved_by.empty()) j["solved_by"] = header.solved_by;
  j["win_table"] = TableJson(header.win_table);
  return j;
}

json PositionJson(const SuitePosition& p) {
  json stones = json::array();
  for (const StonePosition& s : p.stones)
    stones.push_back({FloatJson(s.x), FloatJson(s.y)});
  json j = {{"type", "position"},
            {"id", p.id},
            {"shot", p.shot},
            {"end", p.context.end},
            {"last_end", p.context.last_end},
            {"score", {{"own", p.context.own_score}, {"opponent", p.context.opponent_score}}},
            {"objective", ObjectiveName(p.objective)},
            {"tags", p.tags},
            {"stones", std::move(stones)}};
  if (p.answer) {
    json runners = json::array();
    for (const RatedDelivery& r : p.answer->runners_up)
      runners.push_back(DeliveryJson(r));
    j["answer"] = {{"samples", p.answer->samples},
                   {"best", DeliveryJson(p.answer->best)},
                   {"runners_up", std::move(runners)}};
  }
  return j;
}

SuiteHeader HeaderFromJson(const json& object) {
  CheckKnownKeys(
      object, {"type", "name", "error", "free_guard_zone", "seed", "solved_by", "win_table"}, "");
  SuiteHeader h;
  h.name = Text(Required(object, "name"), "name");
  const double error = Number(Required(object, "error"), "error");
  if (error < 0.0 || error > 1.0) throw BadSuiteLine("\"error\" must be in 0..1 metres");
  h.error = static_cast<float>(error);
  const json& fgz = Required(object, "free_guard_zone");
  if (!fgz.is_boolean()) throw BadSuiteLine("\"free_guard_zone\" must be true or false");
  h.free_guard_zone = fgz.get<bool>();
  const json& seed = Required(object, "seed");
  if (!seed.is_number_unsigned()) throw BadSuiteLine("\"seed\" must be a whole number >= 0");
  h.seed = seed.get<uint64_t>();
  if (object.contains("solved_by")) h.solved_by = Text(object["solved_by"], "solved_by");
  h.win_table = TableFrom(Required(object, "win_table"));
  return h;
}

SuitePosition PositionFromJson(const json& object) {
  CheckKnownKeys(
      object,
      {"type", "id", "shot", "end", "last_end", "score", "objective", "tags", "stones", "answer"},
      "");
  SuitePosition p;
  p.id = Text(Required(object, "id"), "id");
  if (p.id.empty()) throw BadSuiteLine("\"id\" must not be empty");
  p.shot = static_cast<int>(Integer(Required(object, "shot"), "shot", 0, 15));
  p.context = Context(object);
  p.objective = ObjectiveFrom(Required(object, "objective"));
  if (object.contains("tags")) p.tags = Tags(object["tags"]);
  p.stones = Stones(Required(object, "stones"), p.shot);
  if (object.contains("answer")) p.answer = AnswerFrom(object["answer"]);
  return p;
}

}  // namespace curling::suite
