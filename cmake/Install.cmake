# How the program reaches a user's machine: the install layout (`make install`,
# `make uninstall`), the manual pages, the bash completion, the Debian package
# (`make deb`) and the tests that check them (CTest label "package").
#
# Every destination is relative to the prefix chosen at install time
# (`cmake --install build --prefix /usr/local`, DESTDIR honoured); the package
# installs under /usr.

# The release the program's banner names (base/version.h holds the only copy);
# the package carries the same version.
file(STRINGS ${PROJECT_SOURCE_DIR}/base/version.h QUILLOX_RELEASE_LINE REGEX "kszRelease = ")
string(REGEX REPLACE ".*kszRelease = \"([^\"]*)\".*" "\\1" QUILLOX_RELEASE "${QUILLOX_RELEASE_LINE}")

# Manual pages are installed compressed, as Debian's policy asks; gzip -n keeps
# the bytes the same from one build to the next.
set(QUILLOX_MAN_PAGES quillox.1)
if(TARGET quillox-sim)
  list(APPEND QUILLOX_MAN_PAGES quillox-sim.1)
endif()
set(QUILLOX_MAN_OUTPUTS)
foreach(page IN LISTS QUILLOX_MAN_PAGES)
  set(output ${CMAKE_BINARY_DIR}/man/${page}.gz)
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
    COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/man/${page} ${CMAKE_BINARY_DIR}/man/${page}
    COMMAND gzip -9nf ${CMAKE_BINARY_DIR}/man/${page}
    DEPENDS ${PROJECT_SOURCE_DIR}/man/${page}
    COMMENT "Compressing the manual page ${page}"
    VERBATIM)
  list(APPEND QUILLOX_MAN_OUTPUTS ${output})
endforeach()
add_custom_target(quillox-man ALL DEPENDS ${QUILLOX_MAN_OUTPUTS})

# Who answers for the package: the Maintainer of the .deb and the signature of
# its changelog. Packagers set their own.
set(QUILLOX_PACKAGE_CONTACT "The Quillox authors <maintainers@quillox.invalid>" CACHE STRING
  "Name and mail address of the package's maintainer")

# The changelog Debian's policy asks for, in its format, compressed like the
# manual pages; dated by SOURCE_DATE_EPOCH when it is set (string(TIMESTAMP)
# honours it), else by the configure run.
string(TIMESTAMP QUILLOX_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(${PROJECT_SOURCE_DIR}/packaging/debian/changelog.in
  ${CMAKE_BINARY_DIR}/packaging/changelog @ONLY)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/packaging/changelog.gz
  COMMAND gzip -9nkf ${CMAKE_BINARY_DIR}/packaging/changelog
  DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog
  COMMENT "Compressing the changelog"
  VERBATIM)
add_custom_target(quillox-changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog.gz)

install(TARGETS quillox RUNTIME DESTINATION bin)
if(TARGET quillox-sim)
  install(TARGETS quillox-sim RUNTIME DESTINATION bin)
endif()
install(FILES ${QUILLOX_MAN_OUTPUTS} DESTINATION share/man/man1)
install(FILES scripts/51-quillox-garmin-usb.rules DESTINATION lib/udev/rules.d)
install(FILES scripts/quillox.bash-completion
  DESTINATION share/bash-completion/completions RENAME quillox)
install(FILES README.md LICENSE packaging/debian/copyright
  ${CMAKE_BINARY_DIR}/packaging/changelog.gz DESTINATION share/doc/quillox)

# `cmake --build build --target uninstall` removes what an install under the
# configured prefix laid out; the Makefile's uninstall passes its own PREFIX.
add_custom_target(uninstall
  COMMAND ${CMAKE_COMMAND} -DQUILLOX_BUILD_DIR=${CMAKE_BINARY_DIR}
          -DQUILLOX_PREFIX=${CMAKE_INSTALL_PREFIX} -P ${PROJECT_SOURCE_DIR}/cmake/Uninstall.cmake
  COMMENT "Removing the installed files of quillox"
  VERBATIM)

# The Debian package: `make deb`, or `cpack -G DEB` in the build folder.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillox)
set(CPACK_PACKAGE_VERSION ${QUILLOX_RELEASE})
set(CPACK_PACKAGE_VENDOR "The Quillox authors")
set(CPACK_PACKAGE_CONTACT "${QUILLOX_PACKAGE_CONTACT}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "transfer navigation data between Garmin GPS receivers and files")
# One line of the package description per string, each under 80 characters.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Quillox downloads and uploads waypoints, proximity waypoints, routes and"
  "tracks over a serial cable or USB and keeps them in its own data file. It"
  "converts them to and from PCX5, OziExplorer, TOP50 overlay and GPX files,"
  "writes NMEA, KML and barograph files, and lists waypoints and track points."
  ""
  "The package includes quillox-sim, a simulated receiver on a pseudo-terminal"
  "to try the program without a unit, manual pages, bash completion and a udev"
  "rule that lets members of the group plugdev reach Garmin USB receivers."
  ""
  "Quillox is free software under the MIT licence.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${QUILLOX_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# dpkg-shlibdeps names the libraries the programs load: the C and C++ run-time
# and, when USB support is built in, libusb-1.0-0.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)

# The tests. Each script says SKIP (exit 77) when a tool it needs is missing.
if(NOT BUILD_TESTING)
  return()
endif()
find_program(QUILLOX_BASH bash REQUIRED)
add_test(NAME package.man_pages
  COMMAND ${QUILLOX_BASH} ${PROJECT_SOURCE_DIR}/tests/package/man_pages_test.sh
          ${PROJECT_SOURCE_DIR} $<TARGET_FILE:quillox> ${QUILLOX_RELEASE})
add_test(NAME package.bash_completion
  COMMAND ${QUILLOX_BASH} ${PROJECT_SOURCE_DIR}/tests/package/completion_test.sh
          ${PROJECT_SOURCE_DIR}/scripts/quillox.bash-completion $<TARGET_FILE:quillox>)
add_test(NAME package.install_layout
  COMMAND ${QUILLOX_BASH} ${PROJECT_SOURCE_DIR}/tests/package/install_test.sh
          ${PROJECT_SOURCE_DIR} ${CMAKE_BINARY_DIR} ${QUILLOX_RELEASE})
set(QUILLOX_PACKAGE_TESTS package.man_pages package.bash_completion package.install_layout)
# The package test installs on this machine; the instrumented builds leave that
# to the ordinary one.
if(NOT QUILLOX_SANITIZE AND NOT QUILLOX_FUZZ)
  if(LIBUSB_FOUND)
    set(QUILLOX_EXPECT_LIBUSB 1)
  else()
    set(QUILLOX_EXPECT_LIBUSB 0)
  endif()
  add_test(NAME package.deb
    COMMAND ${QUILLOX_BASH} ${PROJECT_SOURCE_DIR}/tests/package/deb_test.sh
            ${CMAKE_BINARY_DIR} ${QUILLOX_RELEASE} ${QUILLOX_EXPECT_LIBUSB})
  list(APPEND QUILLOX_PACKAGE_TESTS package.deb)
endif()
set_tests_properties(${QUILLOX_PACKAGE_TESTS} PROPERTIES
  LABELS package SKIP_RETURN_CODE 77 TIMEOUT 300)
