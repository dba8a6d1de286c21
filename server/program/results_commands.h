// curling-match's commands on the results database (docs/results-db.md):
//   curling-match db import DIR... [--db FILE]
//   curling-match db init [--db FILE]
//   curling-match ratings [--db FILE] [--anchor NAME=ELO] [--since TIME]
//                         [--json FILE] [--svg FILE] [--draws N]
// and opening the database a run writes its games to (--db, --no-db).
#pragma once

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "server/program/match_options.h"
#include "server/results/results_database.h"

namespace curling::server {

struct ResultsCommandOptions {
  std::string db = results::kDefaultResultsDatabase;
  std::vector<std::string> folders;  // db import
  std::string anchor;                // ratings: NAME=ELO
  std::string since;
  std::string json;
  std::string svg;
  int draws = 1000;
  CLI::App* import = nullptr;
  CLI::App* init = nullptr;
  CLI::App* ratings = nullptr;
};

// Declares `db import` and `ratings` as subcommands of `app`.
void AddResultsCommands(CLI::App& app, ResultsCommandOptions& options);

// Runs the subcommand given, or nothing when none was. Exit code: 0 done, 2
// a usage error, a database that cannot be used or a folder that cannot be
// imported (each said on `err`).
std::optional<int> RunResultsCommand(const CLI::App& app, const ResultsCommandOptions& options,
                                     std::ostream& out, std::ostream& err);

// The database a run adds its games to, opened for writing: nothing, with
// `error` empty, for --no-db; nothing with `error` set when it cannot be used.
std::unique_ptr<results::ResultsDatabase> OpenRunResults(const std::string& db, bool no_db,
                                                         std::string& error);

// A time for --since as the records write it ("2026-01-31T00:00:00Z") from
// "2026-01-31", "2026-01-31T12:00:00" or "2026-01-31 12:00:00" (UTC, a final
// Z allowed); nothing when it is none of these.
std::optional<std::string> NormalisedUtcTime(const std::string& text);

}  // namespace curling::server
