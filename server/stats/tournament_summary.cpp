#include "server/stats/tournament_summary.h"

#include <fstream>
#include <system_error>

#include <fmt/format.h>

#include "server/text/safe_files.h"

namespace curling::stats {

namespace {

// A number for JSON: negative zero (the Elo of an even score, say) is written as 0.
double Number(double value) {
  return value + 0.0;
}

nlohmann::json OptionalNumber(const std::optional<double>& value) {
  if (value.has_value()) return Number(*value);
  return nullptr;
}

std::string EloLine(const EloEstimate& e) {
  switch (e.bound) {
    case EloBound::kNone:
      return "Elo difference (A - B): no complete pair yet";
    case EloBound::kLowerOnly:
      if (!e.elo_low)
        return "Elo difference (A - B): A scored every point; too few pairs to bound it";
      return fmt::format("Elo difference (A - B): A scored every point; at least {} (95% interval)",
                         FormatElo(e.elo_low, false));
    case EloBound::kUpperOnly:
      if (!e.elo_high)
        return "Elo difference (A - B): B scored every point; too few pairs to bound it";
      return fmt::format("Elo difference (A - B): B scored every point; at most {} (95% interval)",
                         FormatElo(e.elo_high, true));
    case EloBound::kTwoSided:
      break;
  }
  return fmt::format("Elo difference (A - B): {}, 95% interval [{}, {}]",
                     e.elo ? FormatElo(e.elo, false) : std::string("n/a"),
                     FormatElo(e.elo_low, false), FormatElo(e.elo_high, true));
}

}  // namespace

std::string FormatElo(const std::optional<double>& elo, bool upper_end) {
  if (!elo.has_value()) return upper_end ? "+inf" : "-inf";
  return fmt::format("{:+.1f}", *elo + 0.0);  // + 0.0 turns -0 into 0
}

TournamentSummary Summarize(const TallySnapshot& tally, std::optional<SprtParameters> sprt) {
  TournamentSummary s;
  s.tally = tally;
  s.elo = EstimateElo(tally.pairs);
  s.sprt_parameters = sprt;
  if (sprt.has_value()) s.sprt = EvaluateSprt(tally.pairs, *sprt);
  return s;
}

nlohmann::json SummaryToJson(const TournamentSummary& summary) {
  const TallySnapshot& t = summary.tally;
  nlohmann::json j;
  j["games"] = t.games;
  j["games_planned"] = summary.games_planned;
  j["wins"] = t.wins;
  j["draws"] = t.draws;
  j["losses"] = t.losses;
  j["points"] = Number(t.points);
  j["mean_end_score_difference"] = Number(t.MeanEndScoreDifference());
  j["pairs"] = t.pairs.Pairs();
  j["pentanomial"] = t.pairs.count;
  j["score"] = summary.elo.pairs > 0 ? nlohmann::json(Number(summary.elo.score)) : nlohmann::json();
  j["elo"] = OptionalNumber(summary.elo.elo);
  j["elo_low"] = OptionalNumber(summary.elo.elo_low);
  j["elo_high"] = OptionalNumber(summary.elo.elo_high);
  j["elo_bound"] = EloBoundName(summary.elo.bound);
  j["los"] = OptionalNumber(summary.elo.los);
  j["engines"] = {{"a", summary.engine_a}, {"b", summary.engine_b}};
  if (summary.sprt_parameters.has_value()) {
    const SprtParameters& p = *summary.sprt_parameters;
    j["sprt"] = {{"elo0", Number(p.elo0)},
                 {"elo1", Number(p.elo1)},
                 {"alpha", p.alpha},
                 {"beta", p.beta},
                 {"llr", Number(summary.sprt.llr)},
                 {"lower_bound", summary.sprt.lower_bound},
                 {"upper_bound", summary.sprt.upper_bound},
                 {"result", SprtDecisionName(summary.sprt.decision)}};
  } else {
    j["sprt"] = nullptr;
  }
  return j;
}

std::string FormatTextReport(const TournamentSummary& summary) {
  const TallySnapshot& t = summary.tally;
  const EloEstimate& e = summary.elo;
  std::string out;
  if (!summary.engine_a.empty() || !summary.engine_b.empty()) {
    out += fmt::format("A: {}\nB: {}\n", summary.engine_a, summary.engine_b);
  }
  const double percent = t.games > 0 ? 100.0 * t.points / static_cast<double>(t.games) : 0.0;
  out += fmt::format("Games {} ({} complete pairs): A wins {}, draws {}, losses {}\n", t.games,
                     t.pairs.Pairs(), t.wins, t.draws, t.losses);
  out += fmt::format("Points (A): {:.1f} of {} ({:.1f}%)\n", t.points, t.games, percent);
  out += fmt::format("Mean end score difference (A - B): {:+.3f} per end over {} ends\n",
                     t.MeanEndScoreDifference(), t.ends);
  const auto& c = t.pairs.count;
  out += fmt::format("Pairs scoring 0, 1/4, 1/2, 3/4, 1: {} {} {} {} {}\n", c[0], c[1], c[2], c[3],
                     c[4]);
  out += EloLine(e) + "\n";
  if (e.los.has_value()) {
    out += fmt::format("Likelihood of superiority (A): {:.1f}%\n", 100.0 * *e.los);
  }
  if (summary.sprt_parameters.has_value()) {
    const SprtParameters& p = *summary.sprt_parameters;
    const SprtStatus& s = summary.sprt;
    const char* verdict = s.decision == SprtDecision::kAcceptH1   ? "H1 accepted"
                          : s.decision == SprtDecision::kAcceptH0 ? "H0 accepted"
                                                                  : "undecided";
    out +=
        fmt::format("SPRT elo0 {} elo1 {} alpha {} beta {}: LLR {:.3f} in [{:.3f}, {:.3f}]: {}\n",
                    p.elo0, p.elo1, p.alpha, p.beta, s.llr, s.lower_bound, s.upper_bound, verdict);
  }
  return out;
}

std::string WriteSummaryJson(const std::filesystem::path& dir, const TournamentSummary& summary) {
  return WriteJsonAtomically(dir / "summary.json", SummaryToJson(summary));
}

std::string WriteJsonAtomically(const std::filesystem::path& target, const nlohmann::json& value) {
  return server::WriteFileWhole(target, value.dump(2) + '\n');
}

}  // namespace curling::stats
