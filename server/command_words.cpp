#include "server/command_words.h"

namespace curling::server {

std::optional<std::vector<std::string>> SplitCommandWords(std::string_view line,
                                                          std::string& error) {
  std::vector<std::string> words;
  std::string word;
  bool in_word = false;
  size_t i = 0;
  while (i < line.size()) {
    const char c = line[i];
    if (c == ' ' || c == '\t' || c == '\n') {
      if (in_word) words.push_back(std::move(word));
      word.clear();
      in_word = false;
      ++i;
      continue;
    }
    in_word = true;
    if (c == '\\') {
      if (i + 1 >= line.size()) {
        error = "trailing backslash";
        return std::nullopt;
      }
      if (line[i + 1] != '\n') word += line[i + 1];  // backslash-newline joins lines
      i += 2;
    } else if (c == '\'') {
      const size_t close = line.find('\'', i + 1);
      if (close == std::string_view::npos) {
        error = "unterminated single quote";
        return std::nullopt;
      }
      word.append(line.substr(i + 1, close - i - 1));
      i = close + 1;
    } else if (c == '"') {
      ++i;
      while (true) {
        if (i >= line.size()) {
          error = "unterminated double quote";
          return std::nullopt;
        }
        const char d = line[i];
        if (d == '"') {
          ++i;
          break;
        }
        if (d == '\\' && i + 1 < line.size() &&
            std::string_view("\"\\$`\n").find(line[i + 1]) != std::string_view::npos) {
          if (line[i + 1] != '\n') word += line[i + 1];
          i += 2;
          continue;
        }
        word += d;
        ++i;
      }
    } else {
      word += c;
      ++i;
    }
  }
  if (in_word) words.push_back(std::move(word));
  return words;
}

}  // namespace curling::server
