# What `cmake --install` puts under the prefix, and the Debian package built
# from the same (scripts/package.sh):
#   bin/                      the programs
#   lib/                      libCurlingSimulator.so.<major> and its links,
#                             the CMake package, the pkg-config file
#   include/curling_simulator the public headers with version.h
#   share/man/man1            a man page per program, from its --help
#   share/doc/curling         README, docs/, copyright, changelog
# The Python package is a component of its own, outside the default install:
# scripts/build-wheel.sh stages it (component `python`) and builds the wheel.
include(CMakePackageConfigHelpers)

set(curling_programs curling-engine curling-match curling-suite baseline-draw baseline-random
                     baseline-greedy)
if(TARGET curling-match-mpi)
  list(APPEND curling_programs curling-match-mpi)
endif()

install(TARGETS ${curling_programs} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The installed programs find the library in the prefix's lib/ through their
# run path: the linked ones, and curling-engine too, whose load by bare name
# searches it. The programs and the library are built with the run path they
# are installed with ("$ORIGIN" serves the build tree, where all of them sit
# in bin/): when the two differ, CMake pads the build tree's with empty
# entries, which the loader reads as the current folder.
set_target_properties(${curling_programs} PROPERTIES
  BUILD_WITH_INSTALL_RPATH ON
  INSTALL_RPATH "$ORIGIN:$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")
set_target_properties(CurlingSimulator PROPERTIES BUILD_WITH_INSTALL_RPATH ON)

# The library and its headers, exported as CurlingSimulator::simulator.
set_target_properties(CurlingSimulator PROPERTIES EXPORT_NAME simulator)
set_target_properties(curling_simulator_headers PROPERTIES EXPORT_NAME headers)
install(TARGETS CurlingSimulator curling_simulator_headers
  EXPORT CurlingSimulatorTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/curling_simulator
        ${CURLING_GENERATED_INCLUDE}/curling_simulator
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

set(curling_cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/CurlingSimulator)
install(EXPORT CurlingSimulatorTargets
  NAMESPACE CurlingSimulator::
  DESTINATION ${curling_cmake_dir})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/CurlingSimulatorConfig.cmake.in
  ${PROJECT_BINARY_DIR}/packaging/CurlingSimulatorConfig.cmake
  INSTALL_DESTINATION ${curling_cmake_dir})
# The soname changes with the major version, and so does compatibility.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/packaging/CurlingSimulatorConfigVersion.cmake
  VERSION ${PROJECT_VERSION}
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/packaging/CurlingSimulatorConfig.cmake
              ${PROJECT_BINARY_DIR}/packaging/CurlingSimulatorConfigVersion.cmake
  DESTINATION ${curling_cmake_dir})

# pkg-config, relocatable: the prefix is found from the file's own folder.
set(curling_pkgconfig_dir ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
file(RELATIVE_PATH curling_pkgconfig_to_prefix /${curling_pkgconfig_dir} /)
string(REGEX REPLACE "/$" "" curling_pkgconfig_to_prefix "${curling_pkgconfig_to_prefix}")
configure_file(${PROJECT_SOURCE_DIR}/cmake/curling-simulator.pc.in
  ${PROJECT_BINARY_DIR}/packaging/curling-simulator.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/packaging/curling-simulator.pc
  DESTINATION ${curling_pkgconfig_dir})

# Documentation, with the copyright and the changelog a Debian package carries.
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/packaging/debian/copyright
  DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/docs
  FILES_MATCHING PATTERN "*.md")
set(curling_changelog ${PROJECT_BINARY_DIR}/packaging/changelog.gz)
add_custom_command(OUTPUT ${curling_changelog}
  COMMAND gzip -9nc ${PROJECT_SOURCE_DIR}/packaging/debian/changelog > ${curling_changelog}
  DEPENDS ${PROJECT_SOURCE_DIR}/packaging/debian/changelog
  VERBATIM)
add_custom_target(curling_changelog ALL DEPENDS ${curling_changelog})
install(FILES ${curling_changelog} DESTINATION ${CMAKE_INSTALL_DOCDIR})

include(cmake/man_pages.cmake)
include(cmake/debian_package.cmake)
