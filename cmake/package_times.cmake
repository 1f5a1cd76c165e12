# SPDX-License-Identifier: GPL-3.0-or-later
# Run by CPack on the files it is about to pack: their times become SOURCE_DATE_EPOCH, or the time
# of the last commit of the sources when it is not set.
set(epoch "$ENV{SOURCE_DATE_EPOCH}")
if(epoch STREQUAL "")
  execute_process(COMMAND git log -1 --format=%ct WORKING_DIRECTORY ${CMAKE_CURRENT_LIST_DIR}
                  OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE)
endif()
execute_process(COMMAND find ${CPACK_TEMPORARY_INSTALL_DIRECTORY} -exec touch -h -d @${epoch} {} +
                COMMAND_ERROR_IS_FATAL ANY)
