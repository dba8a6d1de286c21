// Writes a reply text to standard output: the bytes of `text` up to its
// terminating zero, nothing appended, in one write (retried on short writes).
#pragma once

#include "curling_simulator/records.h"

namespace curling {

void WriteReply(const char* text);

// Writes "BESTSHOT %f %f %d": x speed, y speed, curl flag 0 or 1.
void WriteBestShot(const ShotVector& shot);

}  // namespace curling
