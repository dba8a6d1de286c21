# A man page per program, made by help2man from the program's own --help and
# --version (and each subcommand's --help), so that it lists every option the
# program has. Built with the programs; installed to share/man/man1.
# Not in the sanitizer builds, whose programs are for testing (and whose
# exit-time reports would stop the build), nor when cross-compiling.
if(CMAKE_CROSSCOMPILING OR CMAKE_CXX_FLAGS MATCHES "-fsanitize")
  return()
endif()
find_program(CURLING_HELP2MAN help2man)
if(NOT CURLING_HELP2MAN)
  message(STATUS "help2man not found: no man pages (apt-get install help2man)")
  return()
endif()

# curling_man_page(<program> <one-line description> [SUBCOMMANDS "<words>" ...])
function(curling_man_page program description)
  cmake_parse_arguments(M "" "" "SUBCOMMANDS" ${ARGN})
  if(NOT TARGET ${program})
    return()
  endif()
  string(REPLACE ";" "," subcommands "${M_SUBCOMMANDS}")
  set(page ${PROJECT_BINARY_DIR}/man/${program}.1.gz)
  add_custom_command(OUTPUT ${page}
    COMMAND ${CMAKE_COMMAND} -DHELP2MAN=${CURLING_HELP2MAN} -DPROGRAM=$<TARGET_FILE:${program}>
            -DNAME=${program} -DDESCRIPTION=${description} -DSUBCOMMANDS=${subcommands}
            -DOUTPUT=${page} -P ${PROJECT_SOURCE_DIR}/cmake/man_page.cmake
    DEPENDS ${program} ${PROJECT_SOURCE_DIR}/cmake/man_page.cmake
    COMMENT "Man page of ${program}"
    VERBATIM)
  add_custom_target(${program}_man_page ALL DEPENDS ${page})
  install(FILES ${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()

curling_man_page(curling-engine "a curling engine that plays through the command protocol")
curling_man_page(curling-match "plays games and tournaments between curling engines"
  SUBCOMMANDS "db import" "db init" "ratings")
curling_man_page(curling-match-mpi "plays curling tournaments over the ranks of an MPI job")
curling_man_page(curling-suite "shot-selection suites for curling engines, with exact answers"
  SUBCOMMANDS "solve" "run" "pages")
curling_man_page(baseline-draw "a baseline curling engine that always draws to the tee")
curling_man_page(baseline-random "a baseline curling engine that draws to random points of the house")
curling_man_page(baseline-greedy "a baseline curling engine: one ply of Monte Carlo over a few shots")
