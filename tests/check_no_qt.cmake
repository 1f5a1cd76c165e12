# SPDX-License-Identifier: GPL-3.0-or-later
# Fails when a program linked only against the core pulls in a Qt library.
execute_process(COMMAND ldd ${TARGET_FILE} OUTPUT_VARIABLE libs RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "ldd failed on ${TARGET_FILE}")
endif()
if(libs MATCHES "libQt")
  message(FATAL_ERROR "the core links a Qt library:\n${libs}")
endif()
message(STATUS "no Qt library in ${TARGET_FILE}")
