#include "engine/reply.h"

#include <unistd.h>

#include <cstring>

#include "engine/platform.h"

namespace curling {

void WriteReply(const char* text) {
  WriteAll(STDOUT_FILENO, text, std::strlen(text));
}

}  // namespace curling
