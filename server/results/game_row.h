// One game as the results database keeps it: who played it (each seat's
// player), where it comes from (its run and its place in the run's schedule)
// and what happened (the game record's header, end and result lines). The
// record alone gives most of it, so that a game written as it finishes and
// the same game imported later from its folder make the same row.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace curling::results {

// A player: the same engine name, command, settings and build. `command` and
// `settings` are JSON text in one canonical form (the record header's
// command words; its folder, time_budget and shot_time, those given).
struct PlayerIdentity {
  std::string name;
  std::string command;
  std::string settings;
  std::string executable_sha256;  // empty when unknown
  std::vector<std::string> argv;  // the command's words (not stored apart)
  std::string working_folder;     // likewise
  bool operator==(const PlayerIdentity& o) const {
    return name == o.name && command == o.command && settings == o.settings &&
           executable_sha256 == o.executable_sha256;
  }
};

// The run a game belongs to: its output folder and its plan (a
// tournament's PlanJson; null for a single game).
struct RunIdentity {
  std::string folder;
  std::string format;  // "round-robin", "gauntlet" or "game"
  std::string plan;    // JSON text
};

struct GameRow {
  std::string record_sha256;  // the game's identity: a game is never stored twice
  RunIdentity run;
  int game_index = 0;  // 0-based, within the run
  int pairing = 0;
  int round = 0;
  int pair_game = 0;  // 0: the pair's first game, 1: its second (seats swapped)
  std::string started;
  std::array<PlayerIdentity, 2> seats;
  std::string seed;  // decimal: seeds go up to 2^64 - 1
  int64_t stream = 0;
  std::optional<std::string> scenario;  // the start position's name
  std::optional<std::string> start;     // the record header's start, JSON text
  std::string rules;                    // JSON text
  std::string outcome;                  // "completed" or "fault"
  std::optional<int> winner;            // seat; none for a draw
  std::array<int, 2> total{};
  int ends_played = 0;
  std::string ends;  // JSON text: [points of seat 0, points of seat 1] per end
  std::optional<int> fault_seat;
  std::optional<std::string> fault_kind;
  std::string reason;
  std::array<double, 2> thinking{};
  bool counted = true;
  std::string record_path;
};

// The row's record part from a record's bytes and its parsed lines (as
// ReadGameRecord gives them): identity, header, ends and result. Its run and
// schedule fields are left for the caller, and so are the executables'
// hashes. Nothing, with `error` set, when the record is not that of a game
// with a result (a win, a draw or a fault): an interrupted or cut-short game
// has none and is not stored (`unfinished` then says so; a record that is
// damaged or not a game's leaves it false).
std::optional<GameRow> RowFromRecord(const std::string& record_bytes,
                                     const std::vector<nlohmann::json>& lines, std::string& error,
                                     bool& unfinished);

}  // namespace curling::results
