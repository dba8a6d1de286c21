#include "server/results/results_writer.h"

#include <cassert>
#include <chrono>
#include <ctime>

namespace curling::results {

namespace {

std::string UtcNow() {
  const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  std::tm tm{};
  gmtime_r(&now, &tm);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &tm);
  return text;
}

bool GamePresent(Connection& db, const std::string& record_sha256) {
  Statement s(db.handle(), "SELECT 1 FROM games WHERE record_sha256 = ?");
  s.Bind(1, record_sha256);
  return s.Step();
}

int64_t PlayerId(Connection& db, const PlayerIdentity& player, const std::string& started) {
  Statement s(db.handle(),
              "INSERT INTO players (name, command, settings, executable_sha256, first_game) "
              "VALUES (?, ?, ?, ?, ?) ON CONFLICT (name, command, settings, executable_sha256) "
              "DO UPDATE SET first_game = min(first_game, excluded.first_game) RETURNING id");
  s.Bind(1, player.name).Bind(2, player.command).Bind(3, player.settings);
  s.Bind(4, player.executable_sha256).Bind(5, started);
  const bool row = s.Step();
  assert(row);
  (void)row;
  return s.Int(0);
}

int64_t RunId(Connection& db, const RunIdentity& run) {
  Statement s(db.handle(),
              "INSERT INTO runs (folder, format, plan) VALUES (?, ?, ?) "
              "ON CONFLICT (folder, plan) DO UPDATE SET format = excluded.format RETURNING id");
  s.Bind(1, run.folder).Bind(2, run.format).Bind(3, run.plan);
  const bool row = s.Step();
  assert(row);
  (void)row;
  return s.Int(0);
}

void InsertGame(Connection& db, const GameRow& g, int64_t run, int64_t seat0, int64_t seat1) {
  Statement s(db.handle(),
              "INSERT INTO games (record_sha256, run_id, game_index, pairing, round, pair_game, "
              "started, seat0, seat1, seed, stream, scenario, start, rules, outcome, winner, "
              "total0, total1, ends_played, ends, fault_seat, fault_kind, reason, thinking0, "
              "thinking1, counted, record_path, added) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
              "?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
  s.BindAll(g.record_sha256, run, g.game_index, g.pairing, g.round, g.pair_game, g.started, seat0,
            seat1, g.seed, g.stream, g.scenario, g.start, g.rules, g.outcome, g.winner, g.total[0],
            g.total[1], g.ends_played, g.ends, g.fault_seat, g.fault_kind, g.reason, g.thinking[0],
            g.thinking[1], g.counted ? 1 : 0, g.record_path, UtcNow());
  s.Run();
}

}  // namespace

std::string StoreGame(ResultsDatabase& results, const GameRow& row, Stored& stored) {
  assert(!row.record_sha256.empty() && (row.pair_game == 0 || row.pair_game == 1));
  Connection& db = results.connection();
  try {
    Transaction transaction(db);
    if (GamePresent(db, row.record_sha256)) {
      stored = Stored::kPresent;
      return {};
    }
    const int64_t seat0 = PlayerId(db, row.seats[0], row.started);
    const int64_t seat1 = PlayerId(db, row.seats[1], row.started);
    InsertGame(db, row, RunId(db, row.run), seat0, seat1);
    transaction.Commit();
    stored = Stored::kAdded;
    return {};
  } catch (const SqliteError& e) {
    return results.path() + ": cannot store game " + std::to_string(row.game_index + 1) + ": " +
           e.what();
  }
}

}  // namespace curling::results
