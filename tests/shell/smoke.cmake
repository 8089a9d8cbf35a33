# SPDX-License-Identifier: MIT
# The real executable, started the way a user starts it.
add_test(NAME smoke_start_on_simulated_board
    COMMAND zr410ab --board sim --startup-probe --non-interactive)
set_tests_properties(smoke_start_on_simulated_board PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
    PASS_REGULAR_EXPRESSION "first_paint_ms="
    TIMEOUT 60)

add_test(NAME smoke_firmware_failure
    COMMAND zr410ab --board sim --scenario ${CMAKE_CURRENT_SOURCE_DIR}/data/firmware-fails.json
            --non-interactive)
set_tests_properties(smoke_firmware_failure PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
    WILL_FAIL TRUE
    TIMEOUT 60)
add_test(NAME smoke_firmware_failure_message
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
            $<TARGET_FILE:zr410ab> --board sim
            --scenario ${CMAKE_CURRENT_SOURCE_DIR}/data/firmware-fails.json --non-interactive)
set_tests_properties(smoke_firmware_failure_message PROPERTIES
    PASS_REGULAR_EXPRESSION "ZR410A/B could not be found. Please check USB connection."
    TIMEOUT 60)

# --help and --version need no display.
add_test(NAME smoke_version_without_display
    COMMAND env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM $<TARGET_FILE:zr410ab> --version)
set_tests_properties(smoke_version_without_display PROPERTIES
    PASS_REGULAR_EXPRESSION "^zr410ab 1\\.0\\.2\n$")
add_test(NAME smoke_no_display_is_said_plainly
    COMMAND env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM $<TARGET_FILE:zr410ab> --board sim)
set_tests_properties(smoke_no_display_is_said_plainly PROPERTIES
    PASS_REGULAR_EXPRESSION "no display found")


# Qt's own options, as any Qt program takes them; -platform also stands in for a display.
add_test(NAME smoke_qt_standard_options
    COMMAND env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM $<TARGET_FILE:zr410ab>
            --board sim --startup-probe --non-interactive -platform offscreen -style Fusion
            -stylesheet=${CMAKE_CURRENT_SOURCE_DIR}/data/plain.qss -reverse)
set_tests_properties(smoke_qt_standard_options PROPERTIES
    PASS_REGULAR_EXPRESSION "first_paint_ms="
    FAIL_REGULAR_EXPRESSION "unknown argument"
    TIMEOUT 60)

# A saved log viewed on a computer without a board: the default USB board is never brought up.
add_test(NAME smoke_view_without_board
    COMMAND zr410ab --view ${CMAKE_CURRENT_SOURCE_DIR}/data/night.sav --startup-probe
            --non-interactive)
set_tests_properties(smoke_view_without_board PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
    PASS_REGULAR_EXPRESSION "first_paint_ms="
    FAIL_REGULAR_EXPRESSION "could not be found"
    TIMEOUT 60)
