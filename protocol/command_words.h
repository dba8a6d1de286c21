// Splitting a command line into words. A line ends at its first line feed or
// carriage return; the only separator is the space (0x20): tabs and other
// bytes belong to the words.
#pragma once

#include <string>

namespace curling::protocol {

// Ends the zero-terminated `line` at its first line feed or carriage return,
// in place (a line from LineReader has none; a caller's own may).
void CutAtLineEnd(char* line);

// Copies word `n` (0 is the first) of the zero-terminated `line` into `word`
// and returns true, or returns false when the line has no word `n` (`word` is
// then left unchanged). Spaces at the start of the line are skipped. Word 0 always
// exists, possibly empty; word n exists whenever word n-1 is followed by at
// least one space, and is the empty word when only spaces follow.
bool GetWord(std::string& word, const char* line, int n);

// ASCII case-insensitive comparison of whole words: bytes outside A-Z / a-z
// must be equal.
bool EqualsIgnoringAsciiCase(const std::string& word, const char* name);

}  // namespace curling::protocol
