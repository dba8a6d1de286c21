// The reply every engine of ours gives to GO last: "BESTSHOT %f %f %d".
#pragma once

#include "curling_simulator/records.h"
#include "protocol/reply.h"

namespace curling::protocol {

// Hands "BESTSHOT %f %f %d" to `write`: x speed, y speed (six digits after
// the point), curl flag 0 or 1 (any non-zero curl is 1). A non-finite speed
// is sent as 0, a stone that never enters play, so that the reply is always
// three numbers a server can read.
void WriteBestShot(const ReplyWriter& write, const ShotVector& shot);

}  // namespace curling::protocol
