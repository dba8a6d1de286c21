#include "engine/reply.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "engine/platform.h"

namespace curling {

void WriteReply(const char* text) {
  WriteAll(STDOUT_FILENO, text, std::strlen(text));
}

void WriteBestShot(const ShotVector& shot) {
  char text[1024];
  std::snprintf(text, sizeof text, "BESTSHOT %f %f %d", static_cast<double>(shot.vx),
                static_cast<double>(shot.vy), shot.curl != 0 ? 1 : 0);
  WriteReply(text);
}

}  // namespace curling
