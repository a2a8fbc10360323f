# SPDX-License-Identifier: GPL-3.0-or-later
# Expands a copy of the sample dump with varnix-cli in a fresh folder and
# checks the exit code, the index lines on stdout and the files written.
#   -DCLI=varnix-cli -DSAMPLE=SAMPLE.DAT -DWORK=folder
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/data)
file(COPY ${SAMPLE} DESTINATION ${WORK})
get_filename_component(name ${SAMPLE} NAME)
execute_process(COMMAND ${CLI} expand ${WORK}/${name} --data-folder ${WORK}/data
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "exit ${rc}: ${err}")
endif()
string(REGEX MATCHALL "Flt#[0-9]+- F[0-9]+\\.CSV" flights "${out}")
list(LENGTH flights count)
if(NOT count EQUAL 4 OR NOT out MATCHES "^Flt#101- F00101.CSV  0\\.[0-9][0-9] Hours Interval 6 sec 6/3/24 9:12:0\n")
  message(FATAL_ERROR "unexpected index lines:\n${out}")
endif()
foreach(f F00101 F00102 F00103 F00104)
  if(NOT EXISTS ${WORK}/data/N123AB/${f}.CSV)
    message(FATAL_ERROR "${f}.CSV missing")
  endif()
endforeach()
file(READ ${WORK}/data/N123AB/F00102.CSV csv)
if(NOT csv MATCHES "\"NA\"" OR NOT csv MATCHES "\"S\"")
  message(FATAL_ERROR "F00102.CSV lacks its NA value or its mark")
endif()
