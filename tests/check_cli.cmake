# SPDX-License-Identifier: GPL-3.0-or-later
# Runs CMD (a ;-list) and fails unless it exits with CODE and prints exactly
# OUT (a line) on stdout.
execute_process(COMMAND ${CMD} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL CODE)
  message(FATAL_ERROR "exit ${rc}, expected ${CODE}; stderr: ${err}")
endif()
if(NOT out STREQUAL "${OUT}\n")
  message(FATAL_ERROR "stdout '${out}', expected '${OUT}'")
endif()
