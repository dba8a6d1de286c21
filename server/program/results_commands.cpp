#include "server/program/results_commands.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>

#include <fmt/format.h>

#include "server/results/executable_hash.h"
#include "server/results/folder_import.h"
#include "server/results/rated_pairs.h"
#include "server/results/ratings_report.h"
#include "server/text/safe_files.h"

namespace curling::server {

namespace {

namespace fs = std::filesystem;

constexpr int kExitDone = 0;
constexpr int kExitRefused = 1;
constexpr int kExitUsage = 2;
constexpr const char* kProgram = "curling-match";

// NAME=ELO split at the last '=': the name and a finite Elo.
std::optional<std::pair<std::string, double>> ParseAnchor(const std::string& text) {
  const size_t at = text.rfind('=');
  if (at == std::string::npos || at == 0) return std::nullopt;
  const std::string number = text.substr(at + 1);
  double elo = 0;
  const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), elo);
  if (number.empty() || ec != std::errc() || end != number.data() + number.size() ||
      !std::isfinite(elo)) {
    return std::nullopt;
  }
  return std::make_pair(text.substr(0, at), elo);
}

// The player `name` stands for: a label, or a name only one player has.
std::optional<int> FindPlayer(const results::RatedPairs& rated, const std::string& name,
                              std::string& error) {
  std::vector<int> named;
  for (size_t i = 0; i < rated.players.size(); ++i) {
    if (rated.players[i].label == name) return static_cast<int>(i);
    if (rated.players[i].name == name) named.push_back(static_cast<int>(i));
  }
  if (named.size() == 1) return named.front();
  std::string labels;
  for (int i : named)
    labels += " " + rated.players[static_cast<size_t>(i)].label;
  error = named.empty() ? "--anchor: no player " + name
                        : "--anchor: " + name + " names several players; give one of:" + labels;
  return std::nullopt;
}

int Import(const ResultsCommandOptions& options, std::ostream& out, std::ostream& err) {
  std::string error;
  std::unique_ptr<results::ResultsDatabase> db =
      results::ResultsDatabase::Open(options.db, results::OpenMode::kWrite, error);
  if (!db) {
    err << kProgram << ": " << error << '\n';
    return kExitUsage;
  }
  int code = kExitDone;
  results::ImportCounts total;
  for (const std::string& folder : options.folders) {
    results::ImportCounts counts;
    error = results::ImportFolder(*db, folder, counts, err);
    out << fmt::format("{}: {} games added, {} already present, {} unfinished, {} refused\n",
                       folder, counts.added, counts.present, counts.unfinished, counts.refused);
    if (!error.empty()) {
      err << kProgram << ": " << error << '\n';
      code = kExitUsage;
    }
    if (counts.refused > 0 && code == kExitDone) code = kExitRefused;
    total.added += counts.added;
    total.present += counts.present;
  }
  out << fmt::format("{}: {} games added, {} already present\n", options.db, total.added,
                     total.present);
  return code;
}

// Creates the database, or checks and brings up to date the one there, and
// says what it holds.
int Init(const ResultsCommandOptions& options, std::ostream& out, std::ostream& err) {
  std::string error;
  std::unique_ptr<results::ResultsDatabase> db =
      results::ResultsDatabase::Open(options.db, results::OpenMode::kWrite, error);
  if (!db) {
    err << kProgram << ": " << error << '\n';
    return kExitUsage;
  }
  results::Connection& c = db->connection();
  out << fmt::format(
      "{}: results database, schema version {}, {} games, {} players, {} runs\n", options.db,
      c.QueryInt("PRAGMA user_version"), c.QueryInt("SELECT count(*) FROM games"),
      c.QueryInt("SELECT count(*) FROM players"), c.QueryInt("SELECT count(*) FROM runs"));
  return kExitDone;
}

int Ratings(const ResultsCommandOptions& options, std::ostream& out, std::ostream& err) {
  const auto fail = [&](const std::string& why) {
    err << kProgram << ": " << why << '\n';
    return kExitUsage;
  };
  std::string error;
  std::unique_ptr<results::ResultsDatabase> db =
      results::ResultsDatabase::Open(options.db, results::OpenMode::kRead, error);
  if (!db) return fail(error);
  results::RatingsReport report;
  report.database = options.db;
  report.since = options.since.empty() ? "" : *NormalisedUtcTime(options.since);
  try {
    report.rated = results::ReadRatedPairs(*db, report.since);
  } catch (const results::SqliteError& e) {
    return fail(options.db + ": cannot read the games: " + e.what());
  }
  report.options.draws = options.draws;
  if (!options.anchor.empty()) {
    const auto anchor = *ParseAnchor(options.anchor);
    report.options.anchor = FindPlayer(report.rated, anchor.first, error);
    if (!report.options.anchor) return fail(error);
    report.options.anchor_elo = anchor.second;
  }
  report.fit = results::FitRatings(static_cast<int>(report.rated.players.size()),
                                   report.rated.pairings, report.options);
  out << results::FormatRatingsTable(report);
  if (!options.json.empty()) {
    error = WriteFileWhole(options.json, results::RatingsJson(report));
    if (!error.empty()) return fail(error);
  }
  if (!options.svg.empty()) {
    error = WriteFileWhole(options.svg, results::RatingsSvg(report));
    if (!error.empty()) return fail(error);
  }
  return kExitDone;
}

CLI::Validator UtcTimeValidator() {
  return CLI::Validator(
      [](std::string& text) -> std::string {
        return NormalisedUtcTime(text) ? std::string()
                                       : text +
                                             " is not a UTC time such as 2026-01-31 or "
                                             "2026-01-31T12:00:00";
      },
      "TIME");
}

CLI::Validator AnchorValidator() {
  return CLI::Validator(
      [](std::string& text) -> std::string {
        return ParseAnchor(text) ? std::string() : text + " is not NAME=ELO (a finite number)";
      },
      "NAME=ELO");
}

}  // namespace

std::optional<std::string> NormalisedUtcTime(const std::string& text) {
  const std::string full = text.size() == 10 ? text + "T00:00:00Z" : text;
  const int64_t seconds = results::UtcSeconds(full);
  if (seconds < 0) return std::nullopt;
  std::string normal = full.substr(0, 19);
  normal[10] = 'T';
  return normal + "Z";
}

void AddResultsCommands(CLI::App& app, ResultsCommandOptions& options) {
  CLI::App* db = app.add_subcommand("db", "The results database: db import DIR..., db init");
  db->require_subcommand(1);
  options.import = db->add_subcommand(
      "import",
      "Add the games of output folders (a tournament's, a game's, or a folder of "
      "them, such as games/) to the results database; a game already there is not "
      "added again");
  options.import->add_option("folders", options.folders, "Output folders")->required();
  options.import->add_option("--db", options.db, "The results database")->capture_default_str();
  options.init = db->add_subcommand(
      "init",
      "Create the results database, or check the one there and bring its schema up to "
      "date, and say what it holds");
  options.init->add_option("--db", options.db, "The results database")->capture_default_str();

  options.ratings =
      app.add_subcommand("ratings",
                         "Ratings of every player over all games of the results database "
                         "(Bradley-Terry on game pairs, logistic Elo)");
  CLI::App* r = options.ratings;
  r->add_option("--db", options.db, "The results database")->capture_default_str();
  r->add_option("--anchor", options.anchor,
                "Fix a player's rating (NAME: its name, or its label in the table when names "
                "repeat); default: the mean at 0")
      ->check(AnchorValidator());
  r->add_option("--since", options.since, "Only games started at or after this UTC time")
      ->check(UtcTimeValidator());
  r->add_option("--json", options.json, "Write the ratings as JSON to this file");
  r->add_option("--svg", options.svg, "Write a picture of the ratings (SVG) to this file");
  r->add_option("--draws", options.draws, "Bootstrap draws for the intervals and LOS (0: none)")
      ->capture_default_str()
      ->check(CLI::Range(0, 100000));
}

std::optional<int> RunResultsCommand(const CLI::App& app, const ResultsCommandOptions& options,
                                     std::ostream& out, std::ostream& err) {
  const char* command = options.import->parsed()    ? "db import"
                        : options.init->parsed()    ? "db init"
                        : options.ratings->parsed() ? "ratings"
                                                    : nullptr;
  if (command) {
    std::vector<std::string> given;
    for (const CLI::Option* option : app.get_options()) {
      if (option->count() > 0) given.push_back(option->get_name());
    }
    if (!given.empty()) {
      err << kProgram << ": " << given.front() << " is not an option of " << command << '\n';
      return kExitUsage;
    }
  }
  if (options.import->parsed()) return Import(options, out, err);
  if (options.init->parsed()) return Init(options, out, err);
  if (options.ratings->parsed()) return Ratings(options, out, err);
  return std::nullopt;
}

std::unique_ptr<results::ResultsDatabase> OpenRunResults(const std::string& db, bool no_db,
                                                         std::string& error) {
  error.clear();
  if (no_db) return nullptr;
  return results::ResultsDatabase::Open(db, results::OpenMode::kWrite, error);
}

}  // namespace curling::server
