# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the desktop program PROGRAM with ARG where there is no display at all
# (DISPLAY, WAYLAND_DISPLAY and QT_QPA_PLATFORM unset) and fails unless it
# exits with 0 and its stdout matches the regular expression TEXT.
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY --unset=QT_QPA_PLATFORM ${PROGRAM} ${ARG}
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 60)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${ARG}: exit ${rc}, expected 0; stdout: ${out} stderr: ${err}")
endif()
if(NOT out MATCHES "${TEXT}")
  message(FATAL_ERROR "${ARG}: stdout '${out}' does not match '${TEXT}'")
endif()
