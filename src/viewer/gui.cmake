# SPDX-License-Identifier: MIT
# The log viewer's windows: a log in the strip chart, read on a worker, and runs compared.
find_package(Qt6 6.4 REQUIRED COMPONENTS Concurrent)
add_library(zr_viewer STATIC
    ${CMAKE_CURRENT_LIST_DIR}/column_look.cpp
    ${CMAKE_CURRENT_LIST_DIR}/log_loading.cpp
    ${CMAKE_CURRENT_LIST_DIR}/log_viewer_window.cpp
    ${CMAKE_CURRENT_LIST_DIR}/log_viewers.cpp
)
target_include_directories(zr_viewer PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(zr_viewer PUBLIC zr_viewer_core zr_graphs zr_strip_chart zr_platform
    Qt6::Widgets Qt6::Concurrent)
