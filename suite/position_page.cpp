#include "suite/position_page.h"

#include <algorithm>
#include <array>
#include <cmath>

#include <fmt/format.h>
#include <fmt/ranges.h>

#include "curling_simulator/rink.h"

namespace curling::suite {
namespace {

// The picture: the sheet's width, from behind the back line to past the hog
// line, the house at the top; deliveries come up from the bottom.
constexpr double kScale = 70.0;  // pixels a metre
constexpr double kTopY = 2.6;
constexpr double kBottomY = 11.6;
constexpr double kWidth = sim::kSheetWidth * kScale;
constexpr double kHeight = (kBottomY - kTopY) * kScale;
// Points judged: the colour scale spans -3 to 3.
constexpr double kPointsSpan = 3.0;

double ScreenX(double x) {
  return x * kScale;
}
double ScreenY(double y) {
  return (y - kTopY) * kScale;
}

// 0 (worst) to 1 (best) as blue through pale yellow to red.
std::string Colour(double t) {
  t = std::clamp(t, 0.0, 1.0);
  constexpr std::array<std::array<double, 3>, 3> stops = {
      {{44, 123, 182}, {255, 255, 191}, {215, 25, 28}}};
  const int i = t < 0.5 ? 0 : 1;
  const double f = t < 0.5 ? t * 2 : (t - 0.5) * 2;
  std::array<int, 3> rgb{};
  for (int k = 0; k < 3; ++k)
    rgb[k] = static_cast<int>(std::lround(stops[i][k] + f * (stops[i + 1][k] - stops[i][k])));
  return fmt::format("#{:02x}{:02x}{:02x}", rgb[0], rgb[1], rgb[2]);
}

double Shade(double value, Objective objective) {
  return objective == Objective::kWin ? value : (value + kPointsSpan) / (2 * kPointsSpan);
}

std::string Sheet() {
  std::string svg;
  const double cx = ScreenX(sim::kTeeX), cy = ScreenY(sim::kTeeY);
  for (const double r : {sim::kHouseRadius, 1.22, 0.61, 0.15}) {
    svg += fmt::format(
        "<circle cx=\"{:.1f}\" cy=\"{:.1f}\" r=\"{:.1f}\" fill=\"none\" stroke=\"#345\" "
        "stroke-width=\"1\" stroke-opacity=\"0.6\"/>",
        cx, cy, r * kScale);
  }
  for (const double y : {sim::kTeeY, sim::kBackLineY, sim::kHogLineY}) {
    svg += fmt::format(
        "<line x1=\"0\" y1=\"{0:.1f}\" x2=\"{1:.1f}\" y2=\"{0:.1f}\" stroke=\"#345\" "
        "stroke-opacity=\"0.5\"/>",
        ScreenY(y), kWidth);
  }
  svg += fmt::format(
      "<line x1=\"{0:.1f}\" y1=\"0\" x2=\"{0:.1f}\" y2=\"{1:.1f}\" stroke=\"#345\" "
      "stroke-opacity=\"0.3\"/>",
      cx, kHeight);
  return svg;
}

std::string Cells(const HeatMap& map, int curl, const EndJudge& judge, Objective objective) {
  std::string svg;
  const double side = map.step * kScale;
  for (const HeatCell& c : map.cells) {
    if (c.curl != curl) continue;
    const double v = EstimateOf(c.counts, judge).value;
    svg += fmt::format(
        "<rect class=\"cell\" data-value=\"{:.4f}\" x=\"{:.1f}\" y=\"{:.1f}\" width=\"{:.1f}\" "
        "height=\"{:.1f}\" fill=\"{}\"><title>draw to ({:.2f}, {:.2f}): {:.3f}</title></rect>",
        v, ScreenX(c.x) - side / 2, ScreenY(c.y) - side / 2, side, side,
        Colour(Shade(v, objective)), c.x, c.y, v);
  }
  return svg;
}

std::string Stones(const SuitePosition& p) {
  std::string svg;
  const int own = p.shot % 2;
  for (int i = 0; i < 16; ++i) {
    const StonePosition& s = p.stones[i];
    if (s.x == 0.0f && s.y == 0.0f) continue;
    const bool mine = i % 2 == own;
    svg += fmt::format(
        "<circle class=\"stone {}\" cx=\"{:.1f}\" cy=\"{:.1f}\" r=\"{:.1f}\" fill=\"{}\" "
        "stroke=\"#222\"><title>stone {} ({}) at ({:.3f}, {:.3f})</title></circle>",
        mine ? "own" : "opponent", ScreenX(s.x), ScreenY(s.y), sim::kStoneRadius * kScale,
        mine ? "#f1c40f" : "#c0392b", i, mine ? "the side to throw" : "the opponent", s.x, s.y);
  }
  return svg;
}

std::string PathLine(const std::vector<StonePosition>& path, const std::string& colour) {
  std::string points;
  for (const StonePosition& s : path)
    points += fmt::format("{:.1f},{:.1f} ", ScreenX(s.x), ScreenY(std::max<double>(s.y, kTopY)));
  return fmt::format(
      "<polyline points=\"{}\" fill=\"none\" stroke=\"{}\" stroke-width=\"2\" "
      "stroke-dasharray=\"6 4\"/>",
      points, colour);
}

// The best delivery: its open path and a ring on its target.
std::string BestMark(const Answer& answer) {
  const Delivery& d = answer.best.delivery;
  return PathLine(OpenPath(d.shot), "#1a7f37") +
         fmt::format(
             "<circle id=\"best\" cx=\"{:.1f}\" cy=\"{:.1f}\" r=\"{:.1f}\" fill=\"none\" "
             "stroke=\"#1a7f37\" stroke-width=\"3\"><title>best: {} to ({:.3f}, "
             "{:.3f})</title></circle>",
             ScreenX(d.x), ScreenY(std::max<double>(d.y, kTopY)), sim::kStoneRadius * kScale * 1.4,
             HtmlEscape(d.kind), d.x, d.y);
}

// The engine's delivery: its open path and a cross where it ends in view.
std::string EngineMark(const ShotVector& shot) {
  const std::vector<StonePosition> path = OpenPath(shot);
  if (path.empty()) return "";
  const StonePosition& end = path.back();
  const double x = ScreenX(end.x), y = ScreenY(std::max<double>(end.y, kTopY));
  constexpr double r = 7.0;
  return PathLine(path, "#111") +
         fmt::format(
             "<g id=\"engine\"><line x1=\"{0:.1f}\" y1=\"{1:.1f}\" x2=\"{2:.1f}\" y2=\"{3:.1f}\" "
             "stroke=\"#111\" stroke-width=\"3\"/><line x1=\"{0:.1f}\" y1=\"{3:.1f}\" "
             "x2=\"{2:.1f}\" "
             "y2=\"{1:.1f}\" stroke=\"#111\" stroke-width=\"3\"/></g>",
             x - r, y - r, x + r, y + r);
}

std::string Panel(const SuitePosition& p, const EndJudge& judge, const HeatMap& map, int curl,
                  const PositionResult* result) {
  std::string svg = fmt::format(
      "<figure><figcaption>draws with curl {} ({})</figcaption><svg class=\"curl-{}\" "
      "xmlns=\"http://www.w3.org/2000/svg\" width=\"{:.0f}\" height=\"{:.0f}\" "
      "style=\"background:#f4f8fb\">",
      curl, curl == 1 ? "bending toward larger x" : "bending toward smaller x", curl, kWidth,
      kHeight);
  svg += Cells(map, curl, judge, p.objective) + Sheet() + Stones(p);
  if (p.answer && p.answer->best.delivery.shot.curl == curl) svg += BestMark(*p.answer);
  if (result && result->answer.shot && result->answer.shot->curl == curl) {
    svg += EngineMark(*result->answer.shot);
  }
  return svg + "</svg></figure>";
}

std::string Facts(const SuitePosition& p, const PositionResult* result) {
  const GameContext& c = p.context;
  std::string html = fmt::format(
      "<p>Shot {}, end {} of {} (0-based), score {}-{} for the side to throw; judged by {}. "
      "Tags: {}.</p>",
      p.shot, c.end, c.last_end, c.own_score, c.opponent_score,
      p.objective == Objective::kWin ? "the chance to win" : "the end's points",
      HtmlEscape(fmt::format("{}", fmt::join(p.tags, ", "))));
  if (p.answer) {
    const RatedDelivery& b = p.answer->best;
    html += fmt::format(
        "<p id=\"best-text\">Best (green ring): {} curl {} to ({:.3f}, {:.3f}){}, value {:.4f} "
        "&plusmn; {:.4f} over {} samples.</p>",
        HtmlEscape(b.delivery.kind), b.delivery.shot.curl, b.delivery.x, b.delivery.y,
        b.delivery.kind == "hit" ? fmt::format(" with {:.2f} m to run", b.delivery.power) : "",
        b.value, 1.96 * b.standard_error, p.answer->samples);
  }
  if (result && result->answer.shot) {
    const ShotVector& s = *result->answer.shot;
    html += fmt::format(
        "<p id=\"engine-text\">Engine (black cross): BESTSHOT {:.4f} {:.4f} {}, value {:.4f}, "
        "regret {:.4f} &plusmn; {:.4f}.</p>",
        s.vx, s.vy, s.curl, result->regret.chosen_value, result->regret.regret,
        1.96 * result->regret.standard_error);
  } else if (result) {
    html += "<p id=\"engine-text\" class=\"fault\">Engine fault (" +
            HtmlEscape(result->answer.fault_kind) + "): " + HtmlEscape(result->answer.fault) +
            "</p>";
  }
  return html;
}

}  // namespace

std::string PositionPage(const SuitePosition& position, const WinTable& table, const HeatMap& map,
                         const PositionResult* result) {
  const EndJudge judge(position, table);
  std::string html = "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" +
                     HtmlEscape(position.id) +
                     "</title><style>body{font-family:sans-serif;margin:1em}figure{display:inline-"
                     "block;margin:0 1em 0 0}.fault{color:#b00}</style></head><body>\n";
  html += "<h1>" + HtmlEscape(position.id) + "</h1>\n" + Facts(position, result) + "\n";
  html += Panel(position, judge, map, 0, result) + Panel(position, judge, map, 1, result);
  html += fmt::format(
      "\n<p>Colours: the value of a draw to the cell's centre, blue {} to red {}; yellow stones "
      "belong to the side to throw.</p>\n</body></html>\n",
      position.objective == Objective::kWin ? "0" : "-3 points or less",
      position.objective == Objective::kWin ? "1" : "+3 or more");
  return html;
}

}  // namespace curling::suite
