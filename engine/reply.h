// Writes a reply text to standard output: the bytes of `text` up to its
// terminating zero, nothing appended, in one write (retried on short writes).
#pragma once

namespace curling {

void WriteReply(const char* text);

}  // namespace curling
