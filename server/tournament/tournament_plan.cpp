#include "server/tournament/tournament_plan.h"

#include <fmt/format.h>

namespace curling::server {

using nlohmann::json;

const char* TournamentFormatName(TournamentFormat format) {
  return format == TournamentFormat::kGauntlet ? "gauntlet" : "round-robin";
}

const char* ScenarioOrderName(ScenarioOrder order) {
  return order == ScenarioOrder::kRandom ? "random" : "sequential";
}

std::string ValidateTournamentPlan(const TournamentPlan& plan) {
  if (plan.engines.size() < 2) return "a tournament needs at least two engines";
  if (plan.games < 1) return "--games must be at least 1";
  if (plan.concurrency < 1) return "--concurrency must be at least 1";
  if (plan.report_every < 1) return "--report-every must be at least 1";
  if (plan.sprt) {
    if (plan.engines.size() != 2) return "--sprt tests two engines; this tournament has more";
    if (std::string why = stats::ValidateSprtParameters(*plan.sprt); !why.empty()) {
      return "--sprt: " + why;
    }
  }
  for (size_t i = 0; i < plan.engines.size(); ++i) {
    for (size_t j = 0; j < i; ++j) {
      if (plan.engines[i].name == plan.engines[j].name) {
        return fmt::format("two engines are named \"{}\" (give each its own name=)",
                           plan.engines[i].name);
      }
    }
  }
  const ScenarioPlan& s = plan.scenarios;
  if (s.repeats < 1) return "--scenario-repeats must be at least 1";
  if (!s.list.empty() && (s.start < 0 || s.start >= static_cast<int>(s.list.size()))) {
    return fmt::format("--scenario-start {} is past the {} positions of the file", s.start + 1,
                       s.list.size());
  }
  for (const stats::StartScenario& position : s.list) {
    if (position.end >= plan.rules.ends) {
      return fmt::format(
          "start position \"{}\" (line {}) is in end {} (0-based) but the game has "
          "{} ends",
          position.name, position.line, position.end, plan.rules.ends);
    }
  }
  return {};
}

namespace {

json EngineJson(const EngineCommand& e) {
  json j = {{"name", e.name}, {"command", e.argv}, {"folder", e.working_folder}};
  j["time_budget"] = e.time_budget ? json(*e.time_budget) : json();
  j["shot_time"] = e.shot_time ? json(*e.shot_time) : json();
  return j;
}

json ScenarioJson(const stats::StartScenario& s) {
  json stones = json::array();
  for (const StonePosition& stone : s.stones)
    stones.push_back({stone.x, stone.y});
  return {{"name", s.name},
          {"end", s.end},
          {"shot", s.shot},
          {"score", {s.hammer_score, s.other_score}},
          {"stones", stones}};
}

}  // namespace

json PlanJson(const TournamentPlan& plan) {
  json engines = json::array();
  for (const EngineCommand& e : plan.engines)
    engines.push_back(EngineJson(e));
  json positions = json::array();
  for (const stats::StartScenario& s : plan.scenarios.list)
    positions.push_back(ScenarioJson(s));
  const GameRules& r = plan.rules;
  json j = {{"engines", engines},
            {"format", TournamentFormatName(plan.format)},
            {"games", plan.games},
            {"seed", plan.seed},
            {"ends", r.ends},
            {"extra_ends", r.extra_ends},
            {"error", r.error},
            {"time", r.time_budget},
            {"ready_timeout", r.ready_timeout},
            {"free_guard_zone", r.free_guard_zone},
            {"recover", plan.recover},
            {"scenarios", positions},
            {"scenario_order", ScenarioOrderName(plan.scenarios.order)},
            {"scenario_seed", plan.scenarios.seed},
            {"scenario_start", plan.scenarios.start + 1},
            {"scenario_repeats", plan.scenarios.repeats}};
  if (plan.sprt) {
    const stats::SprtParameters& p = *plan.sprt;
    j["sprt"] = {{"elo0", p.elo0},
                 {"elo1", p.elo1},
                 {"alpha", p.alpha},
                 {"beta", p.beta},
                 {"model", stats::SprtModelName(p.model)}};
  } else {
    j["sprt"] = nullptr;
  }
  return j;
}

namespace {

std::optional<double> OptionalNumber(const json& j) {
  if (j.is_null()) return std::nullopt;
  return j.get<double>();
}

EngineCommand EngineFromJson(const json& j) {
  EngineCommand e;
  e.name = j.at("name").get<std::string>();
  e.argv = j.at("command").get<std::vector<std::string>>();
  e.working_folder = j.at("folder").get<std::string>();
  e.time_budget = OptionalNumber(j.at("time_budget"));
  e.shot_time = OptionalNumber(j.at("shot_time"));
  return e;
}

stats::StartScenario ScenarioFromJson(const json& j) {
  stats::StartScenario s;
  s.name = j.at("name").get<std::string>();
  s.end = j.at("end").get<int>();
  s.shot = j.at("shot").get<int>();
  s.hammer_score = j.at("score").at(0).get<int>();
  s.other_score = j.at("score").at(1).get<int>();
  const json& stones = j.at("stones");
  for (size_t i = 0; i < stones.size() && i < s.stones.size(); ++i)
    s.stones[i] = {stones[i].at(0).get<float>(), stones[i].at(1).get<float>()};
  return s;
}

}  // namespace

std::optional<TournamentPlan> PlanFromJson(const json& j, std::string& error) {
  TournamentPlan plan;
  try {
    for (const json& e : j.at("engines"))
      plan.engines.push_back(EngineFromJson(e));
    plan.format =
        j.at("format") == "gauntlet" ? TournamentFormat::kGauntlet : TournamentFormat::kRoundRobin;
    plan.games = j.at("games").get<int>();
    plan.seed = j.at("seed").get<uint64_t>();
    GameRules& r = plan.rules;
    r.ends = j.at("ends").get<int>();
    r.extra_ends = j.at("extra_ends").get<int>();
    r.error = j.at("error").get<float>();
    r.time_budget = j.at("time").get<double>();
    r.ready_timeout = j.at("ready_timeout").get<double>();
    r.free_guard_zone = j.at("free_guard_zone").get<bool>();
    plan.recover = j.at("recover").get<bool>();
    for (const json& s : j.at("scenarios"))
      plan.scenarios.list.push_back(ScenarioFromJson(s));
    plan.scenarios.order =
        j.at("scenario_order") == "random" ? ScenarioOrder::kRandom : ScenarioOrder::kSequential;
    plan.scenarios.seed = j.at("scenario_seed").get<uint64_t>();
    plan.scenarios.start = j.at("scenario_start").get<int>() - 1;
    plan.scenarios.repeats = j.at("scenario_repeats").get<int>();
    if (const json& t = j.at("sprt"); !t.is_null()) {
      plan.sprt = stats::SprtParameters{t.at("elo0").get<double>(), t.at("elo1").get<double>(),
                                        t.at("alpha").get<double>(), t.at("beta").get<double>()};
      plan.sprt->model =
          t.at("model") == "logistic" ? stats::SprtModel::kLogistic : stats::SprtModel::kNormalized;
    }
  } catch (const json::exception& e) {
    error = std::string("not a tournament's plan: ") + e.what();
    return std::nullopt;
  }
  error = ValidateTournamentPlan(plan);
  if (!error.empty()) return std::nullopt;
  return plan;
}

namespace {

std::string Difference(const json& was, const json& now, const std::string& path) {
  if (was == now) return {};
  if (path == "scenarios") return "the start positions differ";
  if (was.is_object() && now.is_object()) {
    for (const auto& [key, value] : now.items()) {
      const std::string where = path.empty() ? key : path + "." + key;
      if (!was.contains(key)) return where + ": not in the interrupted run";
      if (std::string d = Difference(was[key], value, where); !d.empty()) return d;
    }
    for (const auto& [key, value] : was.items()) {
      if (!now.contains(key)) return (path.empty() ? key : path + "." + key) + ": missing now";
    }
    return {};
  }
  if (was.is_array() && now.is_array() && was.size() == now.size()) {
    for (size_t i = 0; i < now.size(); ++i) {
      if (std::string d = Difference(was[i], now[i], fmt::format("{}[{}]", path, i + 1));
          !d.empty()) {
        return d;
      }
    }
  }
  return fmt::format("{}: was {}, now {}", path, was.dump(), now.dump());
}

}  // namespace

std::string FirstPlanDifference(const json& was, const json& now) {
  return Difference(was, now, "");
}

}  // namespace curling::server
