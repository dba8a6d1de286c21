cmake_minimum_required(VERSION 3.25)
# Runs the layer check on small trees: an include is allowed only inside the
# folders listed (sub-folders such as "top/low" included), a folder whose name
# merely begins like a listed one is not inside it, the checked folder's own
# sub-folders are checked too, and a refusal names the file and the line.
# -DCHECK: the check script; -DWORK: a scratch folder.
file(REMOVE_RECURSE ${WORK})

# Checks a tree holding `file` (under top/) with the lines `text`.
function(expect outcome name folder allowed file text)
  set(root ${WORK}/${name})
  file(WRITE ${root}/top/${file} "${text}")
  execute_process(COMMAND ${CMAKE_COMMAND} -DROOT=${root} -DFOLDER=${folder} -DALLOWED=${allowed}
                          -P ${CHECK}
                  RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(outcome STREQUAL "pass" AND NOT result EQUAL 0)
    message(FATAL_ERROR "${name}: refused, should pass:\n${out}")
  endif()
  if(outcome STREQUAL "fail")
    if(result EQUAL 0)
      message(FATAL_ERROR "${name}: passed, should be refused")
    endif()
    string(FIND "${out}" "top/${file}: #include" at)
    if(at LESS 0)
      message(FATAL_ERROR "${name}: the refusal does not name top/${file}:\n${out}")
    endif()
  endif()
endfunction()

set(q "\"")
expect(pass listed top/high "top/high,top/low,lib" high/high.cpp
       "#include ${q}top/low/low.h${q}\n#include ${q}lib/api.h${q}\n#include ${q}local.h${q}\n#include <vector>\n")
expect(pass own top/high "top/high" high/high.cpp "#include ${q}top/high/other.h${q}\n")
expect(fail unlisted top/high "top/high,lib" high/high.cpp "#include ${q}top/low/low.h${q}\n")
expect(fail name_prefix top/high "top/high,top/low" high/high.cpp
       "#include ${q}top/lower/lower.h${q}\n")
expect(fail whole_layer top/high "top/high" high/high.cpp "#include ${q}top/x.h${q}\n")
expect(fail deeper top/high "top/high" high/deep/deep.h "#include ${q}top/low/low.h${q}\n")
