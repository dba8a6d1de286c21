#include "suite/run_report.h"

#include <algorithm>
#include <cmath>

#include <fmt/format.h>

#include "suite/suite_json.h"

namespace curling::suite {
namespace {

using nlohmann::json;

RegretSummary SummaryOf(const std::string& group, Objective objective,
                        const std::vector<const PositionResult*>& members) {
  RegretSummary s;
  s.group = group;
  s.objective = objective;
  s.positions = static_cast<int>(members.size());
  if (members.empty()) return s;
  const RegretThresholds t = ThresholdsFor(objective);
  double sum = 0.0, squares = 0.0;
  int small = 0, large = 0;
  for (const PositionResult* r : members) {
    const double x = r->regret.regret;
    sum += x;
    squares += x * x;
    small += x <= t.small;
    large += x <= t.large;
    s.faults += !r->answer.shot;
  }
  const double n = static_cast<double>(members.size());
  s.mean = sum / n;
  const double variance = n > 1 ? std::max(squares - n * s.mean * s.mean, 0.0) / (n - 1) : 0.0;
  s.interval = 1.96 * std::sqrt(variance / n);
  s.within_small = small / n;
  s.within_large = large / n;
  return s;
}

// The interval's half-width; one position has none.
std::string IntervalText(const RegretSummary& s) {
  return s.positions > 1 ? fmt::format("{:.4f}", s.interval) : "-";
}

std::string ShotText(const ShotVector& s) {
  return fmt::format("{:.4f} {:.4f} {}", s.vx, s.vy, static_cast<int>(s.curl));
}

}  // namespace

RegretThresholds ThresholdsFor(Objective objective) {
  return objective == Objective::kWin ? RegretThresholds{0.01, 0.05} : RegretThresholds{0.04, 0.2};
}

std::vector<RegretSummary> Summarise(const std::vector<PositionResult>& results) {
  std::vector<RegretSummary> out;
  for (const Objective objective : {Objective::kWin, Objective::kPoints}) {
    std::vector<const PositionResult*> all;
    // Tags by their place in the positions' lists (the house, the shot
    // stone, ...), then by first appearance.
    std::vector<std::pair<size_t, std::string>> tags;
    for (const PositionResult& r : results) {
      if (r.position->objective != objective) continue;
      all.push_back(&r);
      const auto& own = r.position->tags;
      for (size_t i = 0; i < own.size(); ++i) {
        const bool known = std::any_of(tags.begin(), tags.end(),
                                       [&](const auto& t) { return t.second == own[i]; });
        if (!known) tags.emplace_back(i, own[i]);
      }
    }
    std::stable_sort(tags.begin(), tags.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    if (all.empty()) continue;
    const std::string name = ObjectiveName(objective);
    out.push_back(SummaryOf(name, objective, all));
    for (const auto& [place, tag] : tags) {
      std::vector<const PositionResult*> members;
      for (const PositionResult* r : all) {
        const auto& t = r->position->tags;
        if (std::find(t.begin(), t.end(), tag) != t.end()) members.push_back(r);
      }
      out.push_back(SummaryOf(name + " " + tag, objective, members));
    }
  }
  return out;
}

std::string RunText(const std::string& engine, const std::vector<PositionResult>& results) {
  std::string text = fmt::format("engine: {}\n{} positions\n\n", engine, results.size());
  text += fmt::format("{:<28} {:>9} {:>7} {:>20} {:>8} {:>8}\n", "positions", "count", "faults",
                      "mean regret (95%)", "within", "within");
  for (const RegretSummary& s : Summarise(results)) {
    const RegretThresholds t = ThresholdsFor(s.objective);
    text += fmt::format(
        "{:<28} {:>9} {:>7} {:>10.4f} +- {:<6} {:>5.1f}% {:>5.1f}%   (<= {:g}, <= {:g})\n", s.group,
        s.positions, s.faults, s.mean, IntervalText(s), 100 * s.within_small, 100 * s.within_large,
        t.small, t.large);
  }
  text += "\nfaults:\n";
  int faults = 0;
  for (const PositionResult& r : results) {
    if (r.answer.shot) continue;
    ++faults;
    text += fmt::format("  {} ({}): {}\n", r.position->id, r.answer.fault_kind, r.answer.fault);
  }
  if (faults == 0) text += "  none\n";
  return text;
}

json RunJson(const std::string& engine, const std::vector<PositionResult>& results) {
  json summaries = json::array();
  for (const RegretSummary& s : Summarise(results)) {
    const RegretThresholds t = ThresholdsFor(s.objective);
    summaries.push_back({{"group", s.group},
                         {"positions", s.positions},
                         {"faults", s.faults},
                         {"mean_regret", s.mean},
                         {"interval", s.interval},
                         {"small", t.small},
                         {"large", t.large},
                         {"within_small", s.within_small},
                         {"within_large", s.within_large}});
  }
  json positions = json::array();
  for (const PositionResult& r : results) {
    json p = {{"id", r.position->id},           {"objective", ObjectiveName(r.position->objective)},
              {"tags", r.position->tags},       {"best_value", r.regret.best_value},
              {"value", r.regret.chosen_value}, {"regret", r.regret.regret},
              {"se", r.regret.standard_error},  {"thinking", r.answer.thinking_seconds}};
    if (r.answer.shot) {
      p["delivery"] = {{"vx", FloatJson(r.answer.shot->vx)},
                       {"vy", FloatJson(r.answer.shot->vy)},
                       {"curl", r.answer.shot->curl}};
    } else {
      p["fault"] = {{"kind", r.answer.fault_kind}, {"reason", r.answer.fault}};
    }
    positions.push_back(std::move(p));
  }
  return {
      {"engine", engine}, {"summaries", std::move(summaries)}, {"positions", std::move(positions)}};
}

std::string HtmlEscape(const std::string& text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string RunPage(const std::string& engine, const std::vector<PositionResult>& results,
                    const std::vector<std::string>& position_pages) {
  std::string html = "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" +
                     HtmlEscape(engine) +
                     " on the suite</title><style>body{font-family:sans-serif;margin:1em}"
                     "table{border-collapse:collapse}td,th{padding:2px 8px;border-bottom:1px solid "
                     "#ddd;text-align:right}td:first-child,th:first-child{text-align:left}"
                     ".fault{color:#b00}</style></head><body>\n";
  html += "<h1>" + HtmlEscape(engine) +
          "</h1>\n<table id=\"summary\"><tr><th>positions</th><th>count</th>"
          "<th>faults</th><th>mean regret</th><th>95%</th><th>within 0.01 (points: 0.04)</th>"
          "<th>within 0.05 (points: 0.2)</th></tr>\n";
  for (const RegretSummary& s : Summarise(results)) {
    html += fmt::format(
        "<tr><td>{}</td><td>{}</td><td>{}</td><td>{:.4f}</td><td>&plusmn; "
        "{}</td><td>{:.1f}%</td>"
        "<td>{:.1f}%</td></tr>\n",
        HtmlEscape(s.group), s.positions, s.faults, s.mean, IntervalText(s), 100 * s.within_small,
        100 * s.within_large);
  }
  html +=
      "</table>\n<h2>Positions</h2>\n<table id=\"positions\"><tr><th>position</th><th>best</th>"
      "<th>engine</th><th>regret</th><th>delivery</th></tr>\n";
  for (size_t i = 0; i < results.size(); ++i) {
    const PositionResult& r = results[i];
    const std::string id = HtmlEscape(r.position->id);
    const std::string name =
        i < position_pages.size() && !position_pages[i].empty()
            ? "<a href=\"" + HtmlEscape(position_pages[i]) + "\">" + id + "</a>"
            : id;
    const std::string delivery =
        r.answer.shot ? ShotText(*r.answer.shot)
                      : "<span class=\"fault\">" +
                            HtmlEscape(r.answer.fault_kind + ": " + r.answer.fault) + "</span>";
    html += fmt::format(
        "<tr><td>{}</td><td>{:.4f}</td><td>{:.4f}</td><td>{:.4f}</td><td>{}</td></tr>\n", name,
        r.regret.best_value, r.regret.chosen_value, r.regret.regret, delivery);
  }
  html += "</table>\n</body></html>\n";
  return html;
}

}  // namespace curling::suite
