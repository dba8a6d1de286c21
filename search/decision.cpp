// Placeholder until the move decision lands: a fixed draw.
#include "search/decision.h"

#include "engine/reply.h"

namespace curling {

void DecideShot() {
  WriteReply("BESTSHOT 0.000000 0.000000 0");
}

}  // namespace curling
