// An engine's replies: each text written to standard output as it is, with
// no line end, in one write (retried on short writes).
#pragma once

#include <functional>

namespace curling::protocol {

// Where a conversation's replies go: standard output in play, a string in
// the bench and in tests.
using ReplyWriter = std::function<void(const char* text)>;

// Writes the bytes of `text` up to its terminating zero to standard output.
// A failed write (the server stopped reading) drops the text.
void WriteReply(const char* text);

}  // namespace curling::protocol
