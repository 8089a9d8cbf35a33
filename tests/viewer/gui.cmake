# SPDX-License-Identifier: MIT
# The viewer's windows through the main window: File menu, comparison, --view.
zr_add_qtest(test_log_viewer_window SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_log_viewer_window.cpp
    LIBS zr_shell zr_viewer zr_app_support zr_logwriter)
