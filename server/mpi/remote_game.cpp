#include "server/mpi/remote_game.h"

#include <fstream>
#include <iterator>

#include <fmt/format.h>

#include "server/game/replay_page.h"
#include "server/text/safe_files.h"
#include "server/tournament/tournament_schedule.h"

namespace curling::server {

namespace fs = std::filesystem;

namespace {

constexpr const char* kRecordFile = "game.jsonl";
constexpr const char* kReplayFile = "replay.html";

bool IsLog(const std::string& name) {
  return name.size() > 4 && name.compare(name.size() - 4, 4, ".log") == 0;
}

// Parts: each an 8-byte little-endian length, then its bytes.
void AppendPart(std::string& out, const std::string& part) {
  uint64_t n = part.size();
  for (int i = 0; i < 8; ++i, n >>= 8)
    out.push_back(static_cast<char>(n & 0xff));
  out += part;
}

std::optional<std::vector<std::string>> SplitParts(const std::string& bytes) {
  std::vector<std::string> parts;
  size_t at = 0;
  while (at < bytes.size()) {
    if (bytes.size() - at < 8) return std::nullopt;
    uint64_t n = 0;
    for (int i = 7; i >= 0; --i)
      n = (n << 8) | static_cast<unsigned char>(bytes[at + static_cast<size_t>(i)]);
    at += 8;
    if (n > bytes.size() - at) return std::nullopt;
    parts.push_back(bytes.substr(at, n));
    at += n;
  }
  return parts;
}

// The file's bytes, the first `limit` only when it has more (with a line
// saying so).
std::optional<std::string> ReadFile(const fs::path& path, std::optional<size_t> limit) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string text;
  if (!limit) {
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) return std::nullopt;
    return text;
  }
  text.resize(*limit);
  in.read(text.data(), static_cast<std::streamsize>(*limit));
  text.resize(static_cast<size_t>(in.gcount()));
  if (in.bad()) return std::nullopt;
  if (text.size() == *limit && in.peek() != std::ifstream::traits_type::eof()) {
    std::error_code ec;
    text += fmt::format("\n[log cut short: the first {} of {} bytes]\n", *limit,
                        fs::file_size(path, ec));
  }
  return text;
}

// A plain file name: no folders, nothing hidden, nothing that climbs out.
bool IsPlainFileName(const std::string& name) {
  if (name.empty() || name.size() > 100 || name[0] == '.') return false;
  for (const char c : name) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                    c == '.' || c == '-' || c == '_';
    if (!ok) return false;
  }
  return true;
}

}  // namespace

std::string PackGame(const FinishedGame& game, const fs::path& folder, std::string& error) {
  nlohmann::json head = FinishedGameJson(game);
  head.erase("record");
  std::string out;
  AppendPart(out, head.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
  std::error_code ec;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec)) {
    if (entry.is_symlink() || !entry.is_regular_file()) continue;
    const std::string name = entry.path().filename().string();
    const std::optional<size_t> limit =
        IsLog(name) ? std::optional<size_t>(kMaxTravellingLog) : std::nullopt;
    const std::optional<std::string> contents = ReadFile(entry.path(), limit);
    if (!contents) {
      error = "cannot read " + entry.path().string();
      return {};
    }
    AppendPart(out, name);
    AppendPart(out, *contents);
  }
  if (ec) {
    error = "cannot read " + folder.string() + ": " + ec.message();
    return {};
  }
  return out;
}

std::optional<RemoteGame> UnpackGame(const std::string& bytes, int total_games,
                                     std::string& error) {
  const auto parts = SplitParts(bytes);
  if (!parts || parts->empty() || parts->size() % 2 != 1) {
    error = "not a packed game";
    return std::nullopt;
  }
  const nlohmann::json head = nlohmann::json::parse(parts->front(), nullptr, false);
  RemoteGame remote;
  remote.game = FinishedGameFromJson(head, error);
  if (!error.empty()) return std::nullopt;
  if (remote.game.index < 0 || remote.game.index >= total_games) {
    error = fmt::format("game {} is not one of the tournament's {}", remote.game.index + 1,
                        total_games);
    return std::nullopt;
  }
  for (size_t i = 1; i < parts->size(); i += 2) {
    if (!IsPlainFileName((*parts)[i])) {
      error = "a game's file may not be named \"" + (*parts)[i] + "\"";
      return std::nullopt;
    }
    remote.files.emplace_back((*parts)[i], (*parts)[i + 1]);
  }
  return remote;
}

std::string StoreGame(const RemoteGame& remote, const fs::path& tournament_folder) {
  const fs::path folder = GameFolder(tournament_folder, remote.game.index);
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec) return "cannot create " + folder.string() + ": " + ec.message();
  const std::string* record = nullptr;
  const std::string* page = nullptr;
  for (const auto& [name, contents] : remote.files) {
    if (name == kRecordFile) {
      record = &contents;
    } else if (name == kReplayFile) {
      page = &contents;
    } else if (std::string why = WriteFileWhole(folder / name, contents); !why.empty()) {
      return why;
    }
  }
  if (!record) return fmt::format("game {} arrived without its record", remote.game.index + 1);
  const fs::path path = folder / kRecordFile;
  if (std::string why = WriteFileWhole(path, *record); !why.empty()) return why;
  if (page) {
    if (std::string why = WriteFileWhole(folder / kReplayFile, *page); !why.empty()) return why;
  } else {
    std::string page_error;
    WriteReplayPage(path.string(), (folder / kReplayFile).string(), page_error);
  }
  return {};
}

}  // namespace curling::server
