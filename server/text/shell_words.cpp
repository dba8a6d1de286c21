#include "server/text/shell_words.h"

#include <cassert>

namespace curling::server {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n';
}

// Each Read* takes the piece of a word that starts at line[i] (an escape, a
// quoted stretch or a plain character), appends its text to `word` and
// returns the index after it; nothing, with `error` set, when it is not closed.

std::optional<size_t> ReadEscape(std::string_view line, size_t i, std::string& word,
                                 std::string& error) {
  if (i + 1 >= line.size()) {
    error = "trailing backslash";
    return std::nullopt;
  }
  if (line[i + 1] != '\n') word += line[i + 1];  // backslash-newline joins lines
  return i + 2;
}

std::optional<size_t> ReadSingleQuoted(std::string_view line, size_t i, std::string& word,
                                       std::string& error) {
  const size_t close = line.find('\'', i + 1);
  if (close == std::string_view::npos) {
    error = "unterminated single quote";
    return std::nullopt;
  }
  word.append(line.substr(i + 1, close - i - 1));
  return close + 1;
}

// Inside double quotes a backslash escapes only " \ $ ` and a newline.
std::optional<size_t> ReadDoubleQuoted(std::string_view line, size_t i, std::string& word,
                                       std::string& error) {
  for (++i; i < line.size(); ++i) {
    const char c = line[i];
    if (c == '"') return i + 1;
    if (c == '\\' && i + 1 < line.size() &&
        std::string_view("\"\\$`\n").find(line[i + 1]) != std::string_view::npos) {
      ++i;
      if (line[i] != '\n') word += line[i];
      continue;
    }
    word += c;
  }
  error = "unterminated double quote";
  return std::nullopt;
}

std::optional<size_t> ReadPiece(std::string_view line, size_t i, std::string& word,
                                std::string& error) {
  switch (line[i]) {
    case '\\':
      return ReadEscape(line, i, word, error);
    case '\'':
      return ReadSingleQuoted(line, i, word, error);
    case '"':
      return ReadDoubleQuoted(line, i, word, error);
    default:
      word += line[i];
      return i + 1;
  }
}

}  // namespace

std::optional<std::vector<std::string>> SplitShellWords(std::string_view line, std::string& error) {
  std::vector<std::string> words;
  std::string word;
  bool in_word = false;
  size_t i = 0;
  while (i < line.size()) {
    if (IsBlank(line[i])) {
      if (in_word) words.push_back(std::move(word));
      word.clear();
      in_word = false;
      ++i;
      continue;
    }
    in_word = true;
    const std::optional<size_t> next = ReadPiece(line, i, word, error);
    if (!next) return std::nullopt;
    assert(*next > i);
    i = *next;
  }
  if (in_word) words.push_back(std::move(word));
  return words;
}

}  // namespace curling::server
