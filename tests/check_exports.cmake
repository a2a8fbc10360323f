# SPDX-License-Identifier: GPL-3.0-or-later
# Fails unless the dynamic symbol table of LIB defines exactly the five exports:
# the four of the format and DataDownloadProgress.
execute_process(COMMAND nm -D --defined-only ${LIB} OUTPUT_VARIABLE out RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "nm failed on ${LIB}")
endif()
string(REGEX MATCHALL "[^\n]+" lines "${out}")
set(names "")
foreach(line IN LISTS lines)
  if(line MATCHES " [TDBRVW] ([^ ]+)$")
    list(APPEND names "${CMAKE_MATCH_1}")
  endif()
endforeach()
list(SORT names)
if(NOT names STREQUAL "DataDownload;DataDownloadProgress;ExpandDataFile;GetUserID;ProcessPalmFile")
  message(FATAL_ERROR "exported symbols: ${names}")
endif()
