#include "protocol/command_words.h"

#include <cassert>

namespace curling::protocol {
namespace {

char AsciiLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

void CutAtLineEnd(char* line) {
  assert(line != nullptr);
  for (char* p = line; *p != '\0'; ++p) {
    if (*p == '\n' || *p == '\r') {
      *p = '\0';
      return;
    }
  }
}

bool GetWord(std::string& word, const char* line, int n) {
  assert(line != nullptr);
  if (n < 0) return false;
  const char* p = line;
  while (*p == ' ')
    ++p;
  for (int i = 0; i < n; ++i) {
    if (*p == '\0') return false;
    while (*p != ' ' && *p != '\0')
      ++p;
    if (*p == '\0') return false;
    while (*p == ' ')
      ++p;
  }
  const char* end = p;
  while (*end != ' ' && *end != '\0')
    ++end;
  word.assign(p, end);
  return true;
}

bool EqualsIgnoringAsciiCase(const std::string& word, const char* name) {
  assert(name != nullptr);
  size_t i = 0;
  for (; i < word.size() && name[i] != '\0'; ++i) {
    if (AsciiLower(word[i]) != AsciiLower(name[i])) return false;
  }
  return i == word.size() && name[i] == '\0';
}

}  // namespace curling::protocol
