#include "protocol/reply.h"

#include <unistd.h>

#include <cstring>

#include "protocol/descriptor_io.h"

namespace curling::protocol {

void WriteReply(const char* text) {
  WriteAll(STDOUT_FILENO, text, std::strlen(text));
}

}  // namespace curling::protocol
