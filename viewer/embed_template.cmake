# cmake -DINPUT=page.html -DOUTPUT=header.h -P embed_template.cmake
# Writes the page as a C++ raw string constant viewer::kReplayTemplate.
file(READ ${INPUT} PAGE)
string(FIND "${PAGE}" ")REPLAY_PAGE\"" CLASH)
if(NOT CLASH EQUAL -1)
  message(FATAL_ERROR "${INPUT} contains the raw string delimiter")
endif()
file(WRITE ${OUTPUT}.tmp
  "// Generated from viewer/replay.html; do not edit.\n"
  "#pragma once\n#include <string_view>\n"
  "namespace viewer {\n"
  "inline constexpr std::string_view kReplayTemplate = R\"REPLAY_PAGE(${PAGE})REPLAY_PAGE\";\n"
  "}  // namespace viewer\n")
file(COPY_FILE ${OUTPUT}.tmp ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.tmp)
