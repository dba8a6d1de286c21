#include "server/results/record_rows.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cassert>
#include <cerrno>
#include <cstring>
#include <sstream>

#include "server/game/game_record.h"

namespace curling::results {

namespace {

namespace fs = std::filesystem;

// The file's bytes, refusing links, non-files and files over the record cap.
std::optional<std::string> ReadRegularFile(const fs::path& path, std::string& error) {
  const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    error = path.string() + ": " +
            (errno == ELOOP ? std::string("is a symbolic link") : std::strerror(errno));
    return std::nullopt;
  }
  struct stat st {};
  std::string bytes;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    error = path.string() + ": not a regular file";
  } else if (static_cast<uint64_t>(st.st_size) > server::kMaxRecordBytes) {
    error = path.string() + ": larger than a record can be";
  } else {
    bytes.resize(static_cast<size_t>(st.st_size));
    size_t got = 0;
    while (got < bytes.size()) {
      const ssize_t n = read(fd, bytes.data() + got, bytes.size() - got);
      if (n <= 0) break;
      got += static_cast<size_t>(n);
    }
    bytes.resize(got);
  }
  close(fd);
  if (!error.empty()) return std::nullopt;
  return bytes;
}

std::string AbsoluteFolder(const fs::path& folder) {
  std::error_code ec;
  const fs::path canonical = fs::weakly_canonical(fs::absolute(folder, ec), ec);
  return (ec ? fs::absolute(folder) : canonical).string();
}

}  // namespace

std::optional<GameRow> ReadRecordRow(const fs::path& path, std::string& error, bool& unfinished) {
  unfinished = false;
  const std::optional<std::string> bytes = ReadRegularFile(path, error);
  if (!bytes) return std::nullopt;
  std::istringstream in(*bytes);
  std::vector<nlohmann::json> lines;
  int skipped = 0;
  if (!server::ReadGameRecord(in, path.string(), lines, skipped, error)) return std::nullopt;
  std::optional<GameRow> row = RowFromRecord(*bytes, lines, error, unfinished);
  if (!row) {
    error = path.string() + ": " + error;
    return std::nullopt;
  }
  row->record_path = AbsoluteFolder(path.parent_path()) + "/" + path.filename().string();
  row->run = SingleGameRunOf(path.parent_path());
  return row;
}

RunIdentity TournamentRunOf(const server::TournamentPlan& plan) {
  return {AbsoluteFolder(plan.folder), server::TournamentFormatName(plan.format),
          server::PlanJson(plan).dump()};
}

RunIdentity SingleGameRunOf(const fs::path& folder) {
  return {AbsoluteFolder(folder), "game", "null"};
}

void PlaceInTournament(GameRow& row, const server::TournamentPlan& plan,
                       const server::ScheduledGame& game, bool counted) {
  assert(game.game_in_pairing / 2 == game.round);
  row.run = TournamentRunOf(plan);
  row.game_index = game.index;
  row.pairing = game.pairing;
  row.round = game.round;
  row.pair_game = game.game_in_pairing % 2;
  row.counted = counted;
  if (game.scenario >= 0)
    row.scenario = plan.scenarios.list[static_cast<size_t>(game.scenario)].name;
}

void IdentifyBuilds(GameRow& row, ExecutableHasher& hasher) {
  for (PlayerIdentity& player : row.seats) {
    player.executable_sha256 =
        hasher.HashPlayedBy(ResolveProgram(player.argv, player.working_folder), row.started);
  }
}

}  // namespace curling::results
