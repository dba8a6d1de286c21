#include "suite/suite_file.h"

#include <fstream>
#include <set>
#include <sstream>
#include <system_error>

#include <fmt/format.h>

#include "server/text/bounded_line_reader.h"
#include "server/text/safe_files.h"
#include "suite/suite_json.h"

namespace curling::suite {
namespace {

using nlohmann::json;

// A position line is a few kilobytes, the header about ten; the caps keep a
// wrong file (a device, a stream without line ends) from filling memory.
constexpr size_t kMaxLineBytes = 1 << 20;
constexpr size_t kMaxFileBytes = 256 << 20;

json ParseObject(const std::string& text) {
  json object;
  try {
    object = json::parse(text);
  } catch (const json::exception& e) {
    // Syntax errors (NaN is no JSON), and numbers beyond double range.
    throw BadSuiteLine(std::string("not valid JSON: ") + e.what());
  }
  if (!object.is_object()) throw BadSuiteLine("each line must be a JSON object");
  return object;
}

std::string TypeOf(const json& object) {
  if (!object.contains("type") || !object["type"].is_string()) {
    throw BadSuiteLine("\"type\" is missing (\"suite\" on the first line, then \"position\")");
  }
  return object["type"].get<std::string>();
}

// Reads one line into `read`: the header first, positions after it.
void ReadLine(const std::string& text, int line, bool& have_header, std::set<std::string>& ids,
              SuiteRead& read) {
  const json object = ParseObject(text);
  const std::string type = TypeOf(object);
  if (!have_header) {
    if (type != "suite")
      throw BadSuiteLine("the first line must be the suite's header (\"type\": \"suite\")");
    read.suite.header = HeaderFromJson(object);
    have_header = true;
    return;
  }
  if (type != "position") {
    throw BadSuiteLine(
        fmt::format("\"type\" is \"{}\": only \"position\" lines follow the header", type));
  }
  SuitePosition position = PositionFromJson(object);
  position.line = line;
  if (!ids.insert(position.id).second) {
    throw BadSuiteLine(fmt::format("id \"{}\" is used twice", position.id));
  }
  read.suite.positions.push_back(std::move(position));
}

}  // namespace

SuiteRead ParseSuite(std::istream& in, const std::string& source) {
  SuiteRead read;
  auto fail = [&](int line, const std::string& why) {
    read.error =
        line > 0 ? fmt::format("{}:{}: {}", source, line, why) : fmt::format("{}: {}", source, why);
    read.suite = Suite{};
    return read;
  };
  server::BoundedLineReader reader(in, kMaxLineBytes, kMaxFileBytes);
  bool have_header = false;
  std::set<std::string> ids;
  std::string text;
  while (true) {
    const server::LineRead status = reader.Next(text);
    const int line = reader.line_number();
    if (status == server::LineRead::kEnd) break;
    if (status == server::LineRead::kTooLong) return fail(line, "line too long (at most 1 MiB)");
    if (status == server::LineRead::kTooMuch) return fail(0, "file too large (at most 256 MiB)");
    if (status == server::LineRead::kFailed) return fail(0, "read error");
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos || text[first] == '#') continue;
    try {
      ReadLine(text, line, have_header, ids, read);
    } catch (const BadSuiteLine& e) {
      return fail(line, e.what());
    }
  }
  if (in.bad()) return fail(0, "read error");
  if (!have_header) return fail(0, "no suite header (an empty file?)");
  if (read.suite.positions.empty()) return fail(0, "no positions in the suite");
  return read;
}

SuiteRead LoadSuite(const std::filesystem::path& path) {
  if (std::string why = server::RegularFileError(path); !why.empty()) {
    SuiteRead read;
    read.error = why;
    return read;
  }
  std::ifstream in(path);
  if (!in) {
    SuiteRead read;
    read.error = fmt::format("{}: cannot open", path.string());
    return read;
  }
  return ParseSuite(in, path.string());
}

void WriteSuite(std::ostream& out, const Suite& suite) {
  out << HeaderJson(suite.header).dump() << '\n';
  for (const SuitePosition& p : suite.positions)
    out << PositionJson(p).dump() << '\n';
}

std::string SaveSuite(const std::filesystem::path& path, const Suite& suite) {
  std::ostringstream text;
  WriteSuite(text, suite);
  return server::WriteFileWhole(path, text.str());
}

}  // namespace curling::suite
