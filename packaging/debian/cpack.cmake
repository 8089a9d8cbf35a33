# SPDX-License-Identifier: MIT
# make package: one Debian package for each install component (see ../CMakeLists.txt). Library
# dependencies come from dpkg-shlibdeps; the fonts are named because Qt draws boxes instead of
# letters without any.
set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL ${ZR_COMPONENTS})
set(CPACK_PACKAGE_NAME zr410ab)
set(CPACK_PACKAGE_VENDOR "ZR410A_B")
set(CPACK_PACKAGE_CONTACT "ZR410A_B maintainers <maintainers@example.com>")
set(CPACK_DEBIAN_PACKAGE_SOURCE zr410ab)
# The Debian revision: 1.0.2-1 is newer than the single package 1.0.2 these packages replace.
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(ZR_DEBIAN_VERSION ${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The udev rule's folder is an absolute path; installing through DESTDIR keeps it inside the
# package instead of on the building machine.
set(CPACK_SET_DESTDIR ON)

# Each package takes over its files from the single zr410ab package of 1.0.2.
set(zr_takes_over "zr410ab (<< ${ZR_DEBIAN_VERSION})")
set(zr_tools_version "${ZR_PACKAGE_tools} (= ${ZR_DEBIAN_VERSION})")

set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME ${ZR_PACKAGE_tools})
set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_TOOLS_PACKAGE_REPLACES "${zr_takes_over}")
set(CPACK_DEBIAN_TOOLS_PACKAGE_BREAKS "${zr_takes_over}")
set(CPACK_DEBIAN_TOOLS_PACKAGE_CONTROL_EXTRA
    ${CMAKE_CURRENT_SOURCE_DIR}/debian/tools/postinst ${CMAKE_CURRENT_SOURCE_DIR}/debian/tools/prerm
    ${CMAKE_CURRENT_SOURCE_DIR}/debian/tools/postrm)
set(CPACK_DEBIAN_TOOLS_DESCRIPTION
    "ZR410A/ZR410B evaluation board tool for scripts and Prometheus
zr410ab-cli reads, sets and logs the ZR410A and ZR410B temperature-sensor
chips on their USB evaluation board from the command line, and serves
their readings to Prometheus, one systemd service instance per board.
.
This package holds the board's firmware, the udev rule that lets the
logged-in user and the plugdev group open the board, and the guides. It
needs no display and no graphical libraries.")

set(CPACK_DEBIAN_DESKTOP_PACKAGE_NAME ${ZR_PACKAGE_desktop})
set(CPACK_DEBIAN_DESKTOP_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_DESKTOP_PACKAGE_DEPENDS
    "${zr_tools_version}, fonts-dejavu-core | fonts-freefont-ttf")
set(CPACK_DEBIAN_DESKTOP_DESCRIPTION
    "evaluation program for the ZR410A and ZR410B temperature-sensor chips
Loads the USB evaluation board's firmware, finds the chips on the SST bus
and offers a manual console, live strip charts and logging to
comma-separated files for each chip, and a simulated board for trying it
without hardware.
.
The command-line companion zr410ab-cli is in zr410ab-tools.")

if(ZR_PYTHON)
    set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME ${ZR_PACKAGE_python})
    set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
    # The interpreter whose ABI the extension module was built for.
    math(EXPR zr_python_next "${Python3_VERSION_MINOR} + 1")
    set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS
        "${zr_tools_version}, python3 (>= ${Python3_VERSION_MAJOR}.${Python3_VERSION_MINOR}~), \
python3 (<< ${Python3_VERSION_MAJOR}.${zr_python_next})")
    set(CPACK_DEBIAN_PYTHON_PACKAGE_RECOMMENDS python3-numpy)
    set(CPACK_DEBIAN_PYTHON_PACKAGE_REPLACES "${zr_takes_over}")
    set(CPACK_DEBIAN_PYTHON_PACKAGE_BREAKS "${zr_takes_over}")
    set(CPACK_DEBIAN_PYTHON_PACKAGE_CONTROL_EXTRA
        ${CMAKE_CURRENT_SOURCE_DIR}/debian/python/postinst
        ${CMAKE_CURRENT_SOURCE_DIR}/debian/python/prerm)
    set(CPACK_DEBIAN_PYTHON_DESCRIPTION
        "Python module for the ZR410A/ZR410B evaluation board
The zr410ab module opens the USB evaluation board (or the simulated one),
reads and sets the ZR410A and ZR410B temperature-sensor chips and reads
their .sav log files, for test scripts and notebooks. Numbers come as
numpy arrays where numpy is installed.")
endif()
include(CPack)
