#include "server/results/rated_pairs.h"

#include <cassert>
#include <map>

namespace curling::results {

namespace {

// The two games of each round of a pairing, first game first.
constexpr const char* kPairsQuery = R"sql(
SELECT g0.seat0, g0.seat1, g0.winner, g1.winner, g0.run_id
FROM games g0 JOIN games g1
  ON g1.run_id = g0.run_id AND g1.pairing = g0.pairing AND g1.round = g0.round
WHERE g0.pair_game = 0 AND g1.pair_game = 1 AND g0.counted = 1 AND g1.counted = 1
  AND g1.seat0 = g0.seat1 AND g1.seat1 = g0.seat0 AND g0.seat0 != g0.seat1
  AND g0.started >= ?1 AND g1.started >= ?1
  AND (SELECT count(*) FROM games x
       WHERE x.run_id = g0.run_id AND x.pairing = g0.pairing AND x.round = g0.round) = 2
)sql";

// Twice a game's score for the player in `seat`: 2 a win, 1 a draw, 0 a loss.
int HalfPoints(const Statement& s, int winner_column, int seat) {
  if (s.IsNull(winner_column)) return 1;
  return s.Int(winner_column) == seat ? 2 : 0;
}

// Labels that tell apart the players who share a name: by build where the
// builds differ and are known, else by id.
void Label(std::vector<PlayerRecord>& players) {
  std::map<std::string, std::vector<PlayerRecord*>> by_name;
  for (PlayerRecord& p : players)
    by_name[p.name].push_back(&p);
  for (auto& [name, list] : by_name) {
    std::map<std::string, int> builds;
    for (const PlayerRecord* p : list)
      ++builds[p->executable_sha256];
    for (PlayerRecord* p : list) {
      if (list.size() == 1) {
        p->label = name;
      } else if (!p->executable_sha256.empty() && builds[p->executable_sha256] == 1) {
        p->label = name + "@" + p->executable_sha256.substr(0, 8);
      } else {
        p->label = name + "#" + std::to_string(p->id);
      }
    }
  }
}

}  // namespace

RatedPairs ReadRatedPairs(ResultsDatabase& results, const std::string& since) {
  Connection& db = results.connection();
  RatedPairs rated;
  std::map<int64_t, int> index_of;
  {
    Statement s(db.handle(),
                "SELECT id, name, command, settings, executable_sha256, first_game FROM players "
                "ORDER BY first_game, id");
    while (s.Step()) {
      index_of[s.Int(0)] = static_cast<int>(rated.players.size());
      rated.players.push_back(
          {s.Int(0), s.Text(1), s.Text(2), s.Text(3), s.Text(4), s.Text(5), ""});
    }
  }
  Label(rated.players);
  {
    Statement s(db.handle(), "SELECT count(*) FROM games WHERE started >= ?");
    s.Bind(1, since);
    if (s.Step()) rated.games = s.Int(0);
  }
  std::map<std::pair<int, int>, PairingCounts> pairings;
  std::map<int64_t, int> runs;
  Statement s(db.handle(), kPairsQuery);
  s.Bind(1, since);
  while (s.Step()) {
    const auto a = index_of.find(s.Int(0));
    const auto b = index_of.find(s.Int(1));
    if (a == index_of.end() || b == index_of.end()) continue;  // a row without its player
    // Cell k: A's pair score k / 4, from A's half points in both games.
    int k = HalfPoints(s, 2, 0) + HalfPoints(s, 3, 1);
    int x = a->second;
    int y = b->second;
    if (x > y) {
      std::swap(x, y);
      k = 4 - k;
    }
    PairingCounts& p = pairings[{x, y}];
    p.a = x;
    p.b = y;
    ++p.count[static_cast<size_t>(k)];
    ++rated.pairs;
    ++runs[s.Int(4)];
  }
  for (auto& [key, counts] : pairings)
    rated.pairings.push_back(counts);
  rated.runs = static_cast<int64_t>(runs.size());
  return rated;
}

}  // namespace curling::results
