#include "server/results/ratings_report.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <map>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "server/results/executable_hash.h"
#include "server/text/utf8_text.h"

namespace curling::results {

namespace {

using nlohmann::json;

std::string Elo(double elo) {
  return fmt::format("{:+.1f}", elo);
}

std::string Percent(double value) {
  return fmt::format("{:.1f}%", 100.0 * value);
}

std::string AnchorText(const RatingsReport& r) {
  if (!r.options.anchor) return "each group's mean at 0";
  return fmt::format("{} at {}", r.rated.players[static_cast<size_t>(*r.options.anchor)].label,
                     Elo(r.options.anchor_elo));
}

std::string Heading(const RatingsReport& r) {
  int rated = 0;
  for (const PlayerRating& p : r.fit.players)
    rated += p.group >= 0 ? 1 : 0;
  std::string text = fmt::format(
      "Ratings of {} players from {} game pairs of {} run{}; {} games in the database{}\n", rated,
      r.rated.pairs, r.rated.runs, r.rated.runs == 1 ? "" : "s", r.rated.games,
      r.since.empty() ? "" : " since " + r.since);
  text += "Logistic Elo, " + AnchorText(r);
  if (r.options.draws > 0) {
    text += fmt::format(
        "; 95% intervals and LOS by a bootstrap of every pairing's pentanomial ({} draws)",
        r.options.draws);
  }
  return text + "\n";
}

}  // namespace

std::string FormatRatingsTable(const RatingsReport& r) {
  std::string text = Heading(r);
  size_t width = 6;
  for (int i : r.fit.order)
    width = std::max(width, r.rated.players[static_cast<size_t>(i)].label.size());
  int group = -1;
  int rank = 0;
  for (int i : r.fit.order) {
    const PlayerRating& p = r.fit.players[static_cast<size_t>(i)];
    if (p.group != group) {
      group = p.group;
      if (group > 0) {
        text += fmt::format(
            "\nGroup {}: no pairs with the players above, so not comparable with "
            "them\n",
            group + 1);
      }
      text += fmt::format("\n{:>4}  {:<{}}  {:>8}  {:<18}  {:>6}  {:>6}  {:>6}  {:>8}\n", "rank",
                          "player", width, "Elo", "95% interval", "pairs", "games", "score",
                          "LOS next");
    }
    const std::string interval = p.intervals ? fmt::format("[{}, {}]", p.low ? Elo(*p.low) : "-inf",
                                                           p.high ? Elo(*p.high) : "+inf")
                                             : std::string();
    text += fmt::format("{:>4}  {:<{}}  {:>8}  {:<18}  {:>6}  {:>6}  {:>6}  {:>8}\n", ++rank,
                        r.rated.players[static_cast<size_t>(i)].label, width,
                        fmt::format("{}{}", p.regularised ? "~" : "", Elo(p.elo)), interval,
                        p.pairs, 2 * p.pairs, Percent(p.score),
                        p.los_next ? Percent(*p.los_next) : std::string());
  }
  bool regularised = false;
  std::string unrated;
  for (size_t i = 0; i < r.fit.players.size(); ++i) {
    regularised = regularised || r.fit.players[i].regularised;
    if (r.fit.players[i].group < 0)
      unrated += (unrated.empty() ? "" : ", ") + r.rated.players[i].label;
  }
  if (regularised) {
    text +=
        "\n~: some players scored every point against the others, so their ratings have no "
        "maximum-likelihood value; these are fitted with half a pair added to each pair "
        "score of every pairing\n";
  }
  if (!unrated.empty()) text += "\nNot rated (no counted game pair): " + unrated + "\n";
  return text;
}

namespace {

json RatingsJsonValue(const RatingsReport& r) {
  json players = json::array();
  int rank = 0;
  const auto optional = [](const std::optional<double>& v) { return v ? json(*v) : json(); };
  for (int i : r.fit.order) {
    const PlayerRating& p = r.fit.players[static_cast<size_t>(i)];
    const PlayerRecord& who = r.rated.players[static_cast<size_t>(i)];
    players.push_back({{"rank", ++rank},
                       {"group", p.group + 1},
                       {"label", who.label},
                       {"id", who.id},
                       {"name", who.name},
                       {"command", json::parse(who.command, nullptr, false)},
                       {"settings", json::parse(who.settings, nullptr, false)},
                       {"executable_sha256",
                        who.executable_sha256.empty() ? json() : json(who.executable_sha256)},
                       {"first_game", who.first_game},
                       {"elo", p.elo},
                       {"elo_low", optional(p.low)},
                       {"elo_high", optional(p.high)},
                       {"regularised", p.regularised},
                       {"pairs", p.pairs},
                       {"games", 2 * p.pairs},
                       {"score", p.score},
                       {"los_next", optional(p.los_next)}});
  }
  json unrated = json::array();
  for (size_t i = 0; i < r.fit.players.size(); ++i) {
    if (r.fit.players[i].group < 0) unrated.push_back(r.rated.players[i].label);
  }
  json anchor = json();
  if (r.options.anchor) {
    anchor = {{"player", r.rated.players[static_cast<size_t>(*r.options.anchor)].label},
              {"elo", r.options.anchor_elo}};
  }
  return {{"database", r.database},   {"since", r.since.empty() ? json() : json(r.since)},
          {"games", r.rated.games},   {"pairs", r.rated.pairs},
          {"runs", r.rated.runs},     {"groups", r.fit.groups},
          {"draws", r.options.draws}, {"anchor", anchor},
          {"players", players},       {"unrated", unrated}};
}

}  // namespace

std::string RatingsJson(const RatingsReport& report) {
  // A database given to be rated may hold any bytes in its names: invalid
  // UTF-8 is written as U+FFFD instead of ending the command.
  return RatingsJsonValue(report).dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

namespace {

// `bytes` as SVG character data: made valid UTF-8 (a database may hold any
// bytes in its names), with the markup characters escaped.
std::string Escape(const std::string& bytes) {
  const std::string text = server::AsUtf8(bytes);
  std::string out;
  for (char c : text) {
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
        // Control characters have no place in XML text.
        out += (static_cast<unsigned char>(c) < 0x20) ? ' ' : c;
    }
  }
  return out;
}

// A linear map of [low, high] onto [from, to].
struct Scale {
  double low, high, from, to;
  double operator()(double v) const {
    return high > low ? from + (v - low) / (high - low) * (to - from) : (from + to) / 2;
  }
};

double TickStep(double span) {
  for (double step : {10.0, 20.0, 50.0, 100.0, 200.0, 500.0, 1000.0}) {
    if (span / step <= 8) return step;
  }
  return 2000.0;
}

// The extent of the ratings and intervals of `players`.
std::pair<double, double> EloExtent(const RatingsReport& r, const std::vector<int>& players) {
  double low = 0, high = 0;
  bool first = true;
  for (int i : players) {
    const PlayerRating& p = r.fit.players[static_cast<size_t>(i)];
    const double a = p.low.value_or(p.elo), b = p.high.value_or(p.elo);
    low = first ? a : std::min(low, a);
    high = first ? b : std::max(high, b);
    first = false;
  }
  const double margin = std::max(10.0, 0.05 * (high - low));
  return {low - margin, high + margin};
}

std::string EloAxis(const Scale& x, double y_top, double y_bottom) {
  std::string svg;
  const double step = TickStep(x.high - x.low);
  for (double t = std::ceil(x.low / step) * step; t <= x.high; t += step) {
    svg += fmt::format(
        "<line x1=\"{0:.1f}\" y1=\"{1:.1f}\" x2=\"{0:.1f}\" y2=\"{2:.1f}\" stroke=\"#ddd\"/>"
        "<text x=\"{0:.1f}\" y=\"{3:.1f}\" text-anchor=\"middle\" font-size=\"11\">{4}</text>\n",
        x(t), y_top, y_bottom, y_bottom + 14, fmt::format("{:+.0f}", t));
  }
  return svg;
}

constexpr double kWidth = 900;
constexpr double kLabelWidth = 260;
constexpr double kRowHeight = 22;

std::string RatingsPanel(const RatingsReport& r, double top, double& bottom) {
  const auto [low, high] = EloExtent(r, r.fit.order);
  const Scale x{low, high, kLabelWidth + 10, kWidth - 30};
  std::string svg = fmt::format(
      "<text x=\"10\" y=\"{:.1f}\" font-size=\"14\" font-weight=\"bold\">Ratings (logistic "
      "Elo) with 95% intervals</text>\n",
      top + 16);
  const double rows_top = top + 30;
  double y = rows_top;
  for (int i : r.fit.order) {
    const PlayerRating& p = r.fit.players[static_cast<size_t>(i)];
    const double mid = y + kRowHeight / 2;
    svg += fmt::format(
        "<text x=\"{:.1f}\" y=\"{:.1f}\" text-anchor=\"end\" font-size=\"12\">{}"
        "</text>",
        kLabelWidth, mid + 4, Escape(r.rated.players[static_cast<size_t>(i)].label));
    if (p.intervals) {
      // An unbounded end runs to the edge of the panel.
      svg += fmt::format(
          "<line x1=\"{:.1f}\" y1=\"{:.1f}\" x2=\"{:.1f}\" y2=\"{:.1f}\" "
          "stroke=\"#36c\" stroke-width=\"2\"/>",
          p.low ? x(*p.low) : x.from, mid, p.high ? x(*p.high) : x.to, mid);
    }
    svg += fmt::format("<circle cx=\"{:.1f}\" cy=\"{:.1f}\" r=\"4\" fill=\"{}\"/>\n", x(p.elo), mid,
                       p.regularised ? "#fff\" stroke=\"#c33" : "#c33");
    y += kRowHeight;
  }
  svg += EloAxis(x, rows_top, y);
  bottom = y + 24;
  return svg;
}

// Players by name, for names with more than one rated player of one group,
// each list in the order of their first game.
std::map<std::string, std::vector<int>> Versions(const RatingsReport& r) {
  std::map<std::string, std::vector<int>> by_name;
  for (int i : r.fit.order)
    by_name[r.rated.players[static_cast<size_t>(i)].name].push_back(i);
  std::map<std::string, std::vector<int>> versions;
  for (auto& [name, list] : by_name) {
    const int group = r.fit.players[static_cast<size_t>(list.front())].group;
    std::erase_if(list,
                  [&](int i) { return r.fit.players[static_cast<size_t>(i)].group != group; });
    if (list.size() < 2) continue;
    std::sort(list.begin(), list.end(), [&](int a, int b) {
      return r.rated.players[static_cast<size_t>(a)].first_game <
             r.rated.players[static_cast<size_t>(b)].first_game;
    });
    versions[name] = list;
  }
  return versions;
}

std::string VersionsPanel(const RatingsReport& r, double top, double& bottom) {
  const std::map<std::string, std::vector<int>> versions = Versions(r);
  if (versions.empty()) {
    bottom = top;
    return {};
  }
  std::vector<int> all;
  double first = 0, last = 0;
  bool any = false;
  for (const auto& [name, list] : versions) {
    for (int i : list) {
      all.push_back(i);
      const double t =
          static_cast<double>(UtcSeconds(r.rated.players[static_cast<size_t>(i)].first_game));
      first = any ? std::min(first, t) : t;
      last = any ? std::max(last, t) : t;
      any = true;
    }
  }
  const auto [low, high] = EloExtent(r, all);
  const double plot_top = top + 30, plot_bottom = top + 300;
  const Scale x{first, last, kLabelWidth + 10, kWidth - 30};
  const Scale y{low, high, plot_bottom, plot_top};
  std::string svg = fmt::format(
      "<text x=\"10\" y=\"{:.1f}\" font-size=\"14\" font-weight=\"bold\">Versions in time "
      "(each at its first game)</text>\n",
      top + 16);
  const double step = TickStep(high - low);
  for (double t = std::ceil(low / step) * step; t <= high; t += step) {
    svg += fmt::format(
        "<line x1=\"{0:.1f}\" y1=\"{1:.1f}\" x2=\"{2:.1f}\" y2=\"{1:.1f}\" "
        "stroke=\"#ddd\"/><text x=\"{3:.1f}\" y=\"{4:.1f}\" text-anchor=\"end\" "
        "font-size=\"11\">{5:+.0f}</text>\n",
        kLabelWidth + 10, y(t), kWidth - 30, kLabelWidth + 5, y(t) + 4, t);
  }
  // The time axis: the first and the last first game.
  for (const double t : {first, last}) {
    for (const int i : all) {
      const std::string& when = r.rated.players[static_cast<size_t>(i)].first_game;
      if (static_cast<double>(UtcSeconds(when)) != t) continue;
      svg += fmt::format(
          "<text x=\"{:.1f}\" y=\"{:.1f}\" text-anchor=\"middle\" "
          "font-size=\"11\">{}</text>\n",
          x(t), plot_bottom + 14, Escape(when.substr(0, 10)));
      break;
    }
  }
  static const char* kColours[] = {"#c33", "#36c", "#393", "#c90", "#939", "#099"};
  size_t c = 0;
  double legend = plot_top;
  for (const auto& [name, list] : versions) {
    const char* colour = kColours[c++ % 6];
    std::string points;
    for (int i : list) {
      const PlayerRating& p = r.fit.players[static_cast<size_t>(i)];
      const double px =
          x(static_cast<double>(UtcSeconds(r.rated.players[static_cast<size_t>(i)].first_game)));
      points += fmt::format("{:.1f},{:.1f} ", px, y(p.elo));
      if (p.intervals) {
        svg += fmt::format(
            "<line x1=\"{0:.1f}\" y1=\"{1:.1f}\" x2=\"{0:.1f}\" y2=\"{2:.1f}\" "
            "stroke=\"{3}\"/>",
            px, p.low ? y(*p.low) : y.from, p.high ? y(*p.high) : y.to, colour);
      }
      svg += fmt::format(
          "<circle cx=\"{:.1f}\" cy=\"{:.1f}\" r=\"4\" fill=\"{}\"><title>{} {}"
          "</title></circle>\n",
          px, y(p.elo), colour, Escape(r.rated.players[static_cast<size_t>(i)].label), Elo(p.elo));
    }
    svg += fmt::format("<polyline points=\"{}\" fill=\"none\" stroke=\"{}\"/>", points, colour);
    svg += fmt::format(
        "<text x=\"{:.1f}\" y=\"{:.1f}\" text-anchor=\"end\" font-size=\"12\" "
        "fill=\"{}\">{}</text>\n",
        kLabelWidth - 10, legend + 4, colour, Escape(name));
    legend += 16;
  }
  bottom = plot_bottom + 24;
  return svg;
}

}  // namespace

std::string RatingsSvg(const RatingsReport& r) {
  double bottom = 10;
  std::string body;
  if (!r.fit.order.empty()) {
    body += RatingsPanel(r, 10, bottom);
    body += VersionsPanel(r, bottom, bottom);
  } else {
    body = "<text x=\"10\" y=\"30\" font-size=\"14\">No game pairs to rate</text>\n";
    bottom = 50;
  }
  return fmt::format(
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"{0:.0f}\" height=\"{1:.0f}\" "
      "viewBox=\"0 0 {0:.0f} {1:.0f}\" font-family=\"sans-serif\">\n<rect width=\"100%\" "
      "height=\"100%\" fill=\"#fff\"/>\n{2}</svg>\n",
      kWidth, bottom + 10, body);
}

}  // namespace curling::results
