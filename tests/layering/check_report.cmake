# SPDX-License-Identifier: MIT
# Fails with the link paths that bring QtGui or QtWidgets into a core library.
file(READ "${REPORT}" report)
if(NOT report STREQUAL "")
    message(FATAL_ERROR "Core libraries link GUI libraries:\n${report}")
endif()
message(STATUS "No core library links QtGui or QtWidgets.")
