# SPDX-License-Identifier: GPL-3.0-or-later
# The desktop program reaches the flight data library's functions only
# through the library it loads: no copy of them may be linked into it.
execute_process(COMMAND nm -C ${PROGRAM} OUTPUT_VARIABLE symbols RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "nm failed on ${PROGRAM}")
endif()
foreach(fn ExpandDataFile ExpandDump DownloadDump ProcessPalmFile ReadUserId FileDownloadedDump)
  if(symbols MATCHES "varnix::${fn}\\(")
    message(FATAL_ERROR "${PROGRAM} holds its own copy of varnix::${fn}")
  endif()
endforeach()
