# Layers run one way: every folder of the project may include headers of the
# folders below it only. curling_check_layer(<target> <folder> [<folder>...])
# makes building <target> check that the sources and headers of the first
# folder include no project header outside the folders listed (its own
# included); the build stops with the offending lines otherwise. Includes
# without a folder (local headers) and system headers are not checked. A
# folder may be a sub-folder ("server/seat"), so that the rooms of a layer run
# one way too.
set(CURLING_LAYER_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/check_layer.cmake)

function(curling_check_layer target folder)
  set(allowed ${folder} ${ARGN})
  string(REPLACE ";" "," allowed "${allowed}")
  add_custom_target(${target}_layer_check
    COMMAND ${CMAKE_COMMAND} -DROOT=${PROJECT_SOURCE_DIR} -DFOLDER=${folder}
            -DALLOWED=${allowed} -P ${CURLING_LAYER_SCRIPT}
    VERBATIM)
  add_dependencies(${target} ${target}_layer_check)
endfunction()
