# cmake -DINPUT=page.html -DOUTPUT=header.h -DNAME=kConstant [-DSCRIPT=sheet.js] -P embed_template.cmake
# Writes the page as a C++ raw string constant viewer::<NAME>, with the
# script's text put in place of @SHEET_SCRIPT@ (so the page stays whole).
file(READ ${INPUT} PAGE)
if(DEFINED SCRIPT)
  file(READ ${SCRIPT} SHEET)
  string(REPLACE "@SHEET_SCRIPT@" "${SHEET}" PAGE "${PAGE}")
endif()
string(FIND "${PAGE}" ")REPLAY_PAGE\"" CLASH)
if(NOT CLASH EQUAL -1)
  message(FATAL_ERROR "${INPUT} contains the raw string delimiter")
endif()
file(WRITE ${OUTPUT}.tmp
  "// Generated from ${INPUT}; do not edit.\n"
  "#pragma once\n#include <string_view>\n"
  "namespace viewer {\n"
  "inline constexpr std::string_view ${NAME} = R\"REPLAY_PAGE(${PAGE})REPLAY_PAGE\";\n"
  "}  // namespace viewer\n")
file(COPY_FILE ${OUTPUT}.tmp ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.tmp)
