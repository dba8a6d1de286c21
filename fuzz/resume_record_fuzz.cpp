// The reader --resume and db import use to decide whether a game's record is
// counted again, over arbitrary text. The first byte picks the plan (with or
// without a start position) and whether the record's header is first made
// the plan's own, so that the ends and the result behind it are reached too.
// A record is counted only when its ends add up to its result: totals not
// negative, each the start's score plus the points of its ends, and the
// winner the side with more points (or the faulty seat's opponent); a game
// lost by an engine that could not start has nothing played and no points.
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "server/game/game_record.h"
#include "server/tournament/tournament_resume.h"
#include "server/tournament/tournament_schedule.h"

namespace {

using curling::server::TournamentPlan;
using nlohmann::json;

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "resume_record_fuzz: %s\n", what);
  std::abort();
}

TournamentPlan Plan(bool from_a_position) {
  TournamentPlan plan;
  plan.engines.resize(2);
  plan.engines[0].name = "a";
  plan.engines[0].argv = {"/bin/a"};
  plan.engines[1].name = "b";
  plan.engines[1].argv = {"/bin/b"};
  plan.seed = 11;
  plan.rules.ends = 2;
  plan.folder = "fuzz";
  if (from_a_position) {
    curling::stats::StartScenario position;
    position.end = 1;
    position.shot = 14;
    position.other_score = 2;
    position.hammer_score = 1;
    position.stones[0] = {0.5f, 38.0f};
    plan.scenarios.list.push_back(position);
  }
  return plan;
}

// What a counted game's result must be, from the lines alone.
void CheckCounted(const std::vector<json>& lines, const curling::server::FinishedGame& game,
                  const json& header) {
  const curling::server::GameResult& result = game.result;
  if (result.total[0] < 0 || result.total[1] < 0) Fail("a negative total counted");
  std::array<int, 2> total{};
  if (header.contains("start")) total = header["start"]["total"].get<std::array<int, 2>>();
  bool played = false;
  for (const json& line : lines) {
    const json type = line.value("type", json());
    played = played || type == "shot" || type == "end";
  }
  // An engine that could not start loses before the start position is set up.
  if (!played && result.outcome == curling::server::GameOutcome::kFault &&
      result.total == std::array{0, 0}) {
    total = {0, 0};
  }
  for (const json& line : lines) {
    const json seat = line.value("scoring_seat", json());
    if (line.value("type", json()) != "end" || seat.is_null()) continue;
    total[seat.get<size_t>()] += line.value("points", 0);
  }
  if (total != result.total) Fail("a result that is not the sum of its ends counted");
  if (result.outcome == curling::server::GameOutcome::kFault) {
    if (result.winner != 1 - result.fault_seat) Fail("a fault won by the faulty seat counted");
  } else if (result.winner != (total[0] == total[1] ? -1 : total[0] > total[1] ? 0 : 1)) {
    Fail("a winner with fewer points counted");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  static const TournamentPlan plans[2] = {Plan(false), Plan(true)};
  const TournamentPlan& plan = plans[data[0] & 1];
  const json header = curling::server::HeaderJson(curling::server::ScheduledGameConfig(
      plan, curling::server::TournamentSchedule(plan).Game(0)));
  std::istringstream in(std::string(reinterpret_cast<const char*>(data + 1), size - 1));
  std::vector<json> lines;
  int skipped = 0;
  std::string error;
  if (!curling::server::ReadGameRecord(in, "game.jsonl", lines, skipped, error)) return 0;
  if (data[0] & 2) {
    for (const char* key : {"engines", "seed", "stream", "rules", "start"}) {
      if (header.contains(key)) {
        lines.front()[key] = header[key];
      } else {
        lines.front().erase(key);
      }
    }
  }
  std::string why;
  const auto game = curling::server::FinishedGameFromRecord(lines, plan, 0, why);
  if (game && !why.empty()) Fail("counted with a reason not to");
  if (game) CheckCounted(lines, *game, header);
  return 0;
}
