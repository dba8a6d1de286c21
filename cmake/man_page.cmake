cmake_minimum_required(VERSION 3.25)
# Run by curling_man_page (man_pages.cmake): -DHELP2MAN, -DPROGRAM (the
# program's path), -DNAME, -DDESCRIPTION, -DSUBCOMMANDS (comma-separated, the
# words of each, e.g. "db import,ratings"), -DOUTPUT (the .1.gz to write).
# help2man reads the program's --help and --version; each subcommand's --help
# goes in a COMMANDS section of its own, verbatim.
get_filename_component(work ${OUTPUT} DIRECTORY)
set(include_file ${work}/${NAME}.h2m)
set(page ${work}/${NAME}.1)

# Text as roff, kept as it is: no fill, backslashes and leading dots escaped.
function(verbatim_roff text out)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
  set(${out} ".nf\n${text}\n.fi\n" PARENT_SCOPE)
endfunction()

set(sections "")
string(REPLACE "," ";" subcommands "${SUBCOMMANDS}")
foreach(subcommand IN LISTS subcommands)
  separate_arguments(words UNIX_COMMAND "${subcommand}")
  execute_process(COMMAND ${PROGRAM} ${words} --help
    OUTPUT_VARIABLE help RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${NAME} ${subcommand} --help failed (${status})")
  endif()
  # The usage line names the program by the path it was run from.
  string(REPLACE "${PROGRAM}" "${NAME}" help "${help}")
  verbatim_roff("${help}" roff)
  string(APPEND sections ".SS \"${NAME} ${subcommand}\"\n${roff}")
endforeach()
set(include_option "")
if(sections)
  file(WRITE ${include_file} "[COMMANDS]\n${sections}")
  set(include_option --include=${include_file})
endif()

execute_process(COMMAND ${HELP2MAN} --no-info --section=1 --name=${DESCRIPTION}
                        ${include_option} --output=${page} ${PROGRAM}
  RESULT_VARIABLE status ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "help2man ${NAME}: ${errors}")
endif()
# help2man names the page after the file it ran: the name is the program's.
execute_process(COMMAND gzip -9nf ${page} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "gzip ${page} failed")
endif()
