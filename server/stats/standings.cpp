#include "server/stats/standings.h"

#include <algorithm>

#include <fmt/format.h>

#include "server/stats/progress_line.h"

namespace curling::stats {

using nlohmann::json;

namespace {

double Number(double value) {
  return value + 0.0;  // never "-0.0"
}

json OptionalNumber(const std::optional<double>& value) {
  return value ? json(Number(*value)) : json();
}

void AddEstimate(json& j, const EloEstimate& e) {
  j["elo"] = OptionalNumber(e.elo);
  j["elo_low"] = OptionalNumber(e.elo_low);
  j["elo_high"] = OptionalNumber(e.elo_high);
  j["elo_bound"] = EloBoundName(e.bound);
  j["nelo"] = OptionalNumber(e.nelo);
  j["nelo_low"] = OptionalNumber(e.nelo_low);
  j["nelo_high"] = OptionalNumber(e.nelo_high);
  j["los"] = OptionalNumber(e.los);
}

json TallyJson(const TallySnapshot& t) {
  return {{"games", t.games},
          {"wins", t.wins},
          {"draws", t.draws},
          {"losses", t.losses},
          {"points", Number(t.points)},
          {"mean_end_score_difference", Number(t.MeanEndScoreDifference())},
          {"pairs", t.pairs.Pairs()},
          {"pentanomial", t.pairs.count}};
}

std::string Percent(const TallySnapshot& t) {
  if (t.games == 0) return "-";
  return fmt::format("{:.1f}%", 100.0 * t.points / static_cast<double>(t.games));
}

std::string EstimateText(const EloEstimate& e) {
  if (e.bound == EloBound::kNone) return "n/a";
  const std::string point = e.elo ? FormatElo(e.elo, false) : (e.score >= 1.0 ? "+inf" : "-inf");
  return fmt::format("{} [{}, {}]", point, FormatElo(e.elo_low, false),
                     FormatElo(e.elo_high, true));
}

std::string NeloText(const EloEstimate& e) {
  if (!e.nelo) return "n/a";
  return fmt::format("{} [{}, {}]", FormatElo(e.nelo, false), FormatElo(e.nelo_low, false),
                     FormatElo(e.nelo_high, true));
}

// The crosstable cell of row player `row` against `column`: "points/games".
std::string CrossCell(const Standings& s, int row, int column) {
  for (const PairingResult& p : s.pairings) {
    if ((p.a == row && p.b == column) || (p.a == column && p.b == row)) {
      const TallySnapshot& t = p.summary.tally;
      const double points = p.a == row ? t.points : static_cast<double>(t.games) - t.points;
      return fmt::format("{:g}/{}", points, t.games);
    }
  }
  return row == column ? "x" : "-";
}

}  // namespace

TallySnapshot Mirrored(const TallySnapshot& t) {
  TallySnapshot m = t;
  m.wins = t.losses;
  m.losses = t.wins;
  m.points = static_cast<double>(t.games) - t.points;
  m.end_score_difference = -t.end_score_difference;
  for (int k = 0; k < 5; ++k)
    m.pairs.count[k] = t.pairs.count[4 - k];
  return m;
}

void ComputePlayerStandings(Standings& standings) {
  for (PlayerStanding& player : standings.players)
    player.tally = TallySnapshot{};
  for (const PairingResult& p : standings.pairings) {
    const TallySnapshot& a = p.summary.tally;
    for (const auto& [index, view] : {std::pair{p.a, a}, std::pair{p.b, Mirrored(a)}}) {
      TallySnapshot& t = standings.players[static_cast<size_t>(index)].tally;
      t.games += view.games;
      t.wins += view.wins;
      t.draws += view.draws;
      t.losses += view.losses;
      t.points += view.points;
      t.ends += view.ends;
      t.end_score_difference += view.end_score_difference;
      for (int k = 0; k < 5; ++k)
        t.pairs.count[k] += view.pairs.count[k];
    }
  }
  for (PlayerStanding& player : standings.players)
    player.elo = EstimateElo(player.tally.pairs);
}

json StandingsJson(const Standings& s) {
  json j;
  if (s.pairings.size() == 1 && s.players.size() == 2) {
    j = SummaryToJson(s.pairings[0].summary);
    j["nelo"] = OptionalNumber(s.pairings[0].summary.elo.nelo);
    j["nelo_low"] = OptionalNumber(s.pairings[0].summary.elo.nelo_low);
    j["nelo_high"] = OptionalNumber(s.pairings[0].summary.elo.nelo_high);
  } else {
    j["sprt"] = nullptr;
  }
  j["games"] = s.games;
  j["games_planned"] = s.games_planned;
  j["format"] = s.format;
  j["status"] = s.status;
  j["fault"] = s.fault.empty() ? json() : json(s.fault);
  json players = json::array();
  for (const PlayerStanding& p : s.players) {
    json entry = TallyJson(p.tally);
    entry["name"] = p.name;
    entry["command"] = p.command;
    entry["score"] = p.tally.games > 0
                         ? json(Number(p.tally.points / static_cast<double>(p.tally.games)))
                         : json();
    AddEstimate(entry, p.elo);
    players.push_back(entry);
  }
  j["players"] = players;
  json pairings = json::array();
  json crosstable = json::object();
  for (const PairingResult& p : s.pairings) {
    const TallySnapshot& t = p.summary.tally;
    json entry = TallyJson(t);
    entry["a"] = s.players[static_cast<size_t>(p.a)].name;
    entry["b"] = s.players[static_cast<size_t>(p.b)].name;
    AddEstimate(entry, p.summary.elo);
    pairings.push_back(entry);
    const std::string& a = s.players[static_cast<size_t>(p.a)].name;
    const std::string& b = s.players[static_cast<size_t>(p.b)].name;
    crosstable[a][b] = {{"points", Number(t.points)}, {"games", t.games}};
    crosstable[b][a] = {{"points", Number(static_cast<double>(t.games) - t.points)},
                        {"games", t.games}};
  }
  j["pairings"] = pairings;
  j["crosstable"] = crosstable;
  return j;
}

namespace {

std::string PlayersTable(const Standings& s) {
  std::vector<size_t> order(s.players.size());
  for (size_t i = 0; i < order.size(); ++i)
    order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](size_t x, size_t y) {
    return s.players[x].tally.points > s.players[y].tally.points;
  });
  std::string out = fmt::format("{:<4}{:<24}{:>7}{:>9}{:>8}  {:<26}{}\n", "", "engine", "games",
                                "points", "score", "Elo vs field (95%)", "nElo (95%)");
  for (size_t rank = 0; rank < order.size(); ++rank) {
    const PlayerStanding& p = s.players[order[rank]];
    out += fmt::format("{:<4}{:<24}{:>7}{:>9.1f}{:>8}  {:<26}{}\n", rank + 1, p.name, p.tally.games,
                       p.tally.points, Percent(p.tally), EstimateText(p.elo), NeloText(p.elo));
  }
  return out;
}

std::string Crosstable(const Standings& s) {
  std::string out = "Crosstable (points of the row's engine against the column's / games):\n";
  out += fmt::format("{:<24}", "");
  for (size_t c = 0; c < s.players.size(); ++c)
    out += fmt::format("{:>12}", fmt::format("#{}", c + 1));
  out += '\n';
  for (size_t r = 0; r < s.players.size(); ++r) {
    out += fmt::format("{:<24}", fmt::format("#{} {}", r + 1, s.players[r].name));
    for (size_t c = 0; c < s.players.size(); ++c)
      out += fmt::format("{:>12}", CrossCell(s, static_cast<int>(r), static_cast<int>(c)));
    out += '\n';
  }
  return out;
}

std::string PairingLines(const Standings& s) {
  std::string out = "Pairings (A - B; pairs scoring 0, 1/4, 1/2, 3/4, 1 for A):\n";
  for (const PairingResult& p : s.pairings) {
    const TallySnapshot& t = p.summary.tally;
    const auto& c = t.pairs.count;
    out +=
        fmt::format("{} - {}: W {} D {} L {}  pairs {} {} {} {} {}  Elo {}  nElo {}\n",
                    s.players[static_cast<size_t>(p.a)].name,
                    s.players[static_cast<size_t>(p.b)].name, t.wins, t.draws, t.losses, c[0], c[1],
                    c[2], c[3], c[4], EstimateText(p.summary.elo), NeloText(p.summary.elo));
  }
  return out;
}

}  // namespace

std::string FormatStandingsReport(const Standings& s) {
  std::string out;
  if (s.pairings.size() == 1 && s.players.size() == 2) {
    out = FormatTextReport(s.pairings[0].summary);
    out += fmt::format("Normalized Elo (A - B): {}\n", NeloText(s.pairings[0].summary.elo));
  } else {
    out = fmt::format("{} of {} engines, {} of {} games\n", s.format, s.players.size(), s.games,
                      s.games_planned) +
          PlayersTable(s) + "\n" + Crosstable(s) + "\n" + PairingLines(s);
  }
  if (!s.fault.empty()) out += "Stopped by a fault: " + s.fault + "\n";
  return out;
}

std::string FormatStandingsProgress(const Standings& s) {
  if (s.pairings.size() == 1 && s.players.size() == 2) {
    return FormatProgressLine(s.pairings[0].summary);
  }
  std::string line = fmt::format("games {}/{}", s.games, s.games_planned);
  for (const PlayerStanding& p : s.players)
    line += fmt::format("  {} {:g}/{}", p.name, p.tally.points, p.tally.games);
  return line;
}

std::string WriteStandingsJson(const std::filesystem::path& dir, const Standings& standings) {
  return WriteJsonAtomically(dir / "summary.json", StandingsJson(standings));
}

}  // namespace curling::stats
