#include "server/tournament/tournament_index.h"

#include <fstream>

#include <fmt/format.h>

#include "server/text/safe_files.h"

namespace curling::server {

namespace {

std::string Escaped(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

}  // namespace

std::string BuildIndexPage(const std::string& title, const std::string& standings_text,
                           const std::vector<GameListing>& games) {
  std::string page = fmt::format(
      "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n<title>{0}</title>\n"
      "<style>body{{font-family:sans-serif;margin:1.5em}}pre{{background:#f4f4f4;padding:1em}}"
      "table{{border-collapse:collapse}}td,th{{border:1px solid #ccc;padding:.2em .6em;"
      "text-align:left}}tr.left-out{{color:#888}}</style>\n</head><body>\n<h1>{0}</h1>\n"
      "<pre>{1}</pre>\n<table>\n<tr><th>game</th><th>seat 0 (first)</th><th>seat 1</th>"
      "<th>seed</th><th>start</th><th>result</th></tr>\n",
      Escaped(title), Escaped(standings_text));
  for (const GameListing& g : games) {
    const std::string folder = fmt::format("game-{:04d}", g.index + 1);
    page += fmt::format(
        "<tr{}><td><a href=\"{}/replay.html\">{}</a></td><td>{}</td><td>{}</td><td>{}</td>"
        "<td>{}</td><td>{}{}</td></tr>\n",
        g.counted ? "" : " class=\"left-out\"", folder, g.index + 1, Escaped(g.seats[0]),
        Escaped(g.seats[1]), g.seed, Escaped(g.position), Escaped(g.result),
        g.counted ? "" : " (not counted)");
  }
  page += "</table>\n</body></html>\n";
  return page;
}

std::string WriteIndexPage(const std::filesystem::path& folder, const std::string& title,
                           const std::string& standings_text,
                           const std::vector<GameListing>& games) {
  const std::filesystem::path path = folder / "index.html";
  return WriteFileWhole(path, BuildIndexPage(title, standings_text, games));
}

}  // namespace curling::server
