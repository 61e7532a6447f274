# cmake -DPAGE=file.1 -P check_page.cmake: formats the page with groff, every
# warning on, for the terminal and for print; any warning fails.
find_program(GROFF groff)
if(NOT GROFF)
  message(FATAL_ERROR "groff is needed to check the manual pages (Debian package groff)")
endif()
foreach(device IN ITEMS utf8 ps)
  execute_process(COMMAND ${GROFF} -man -ww -z -T${device} ${PAGE}
    RESULT_VARIABLE status ERROR_VARIABLE warnings OUTPUT_QUIET)
  if(NOT status EQUAL 0 OR NOT warnings STREQUAL "")
    message(FATAL_ERROR "groff -T${device} on ${PAGE} (status ${status}):\n${warnings}")
  endif()
endforeach()
