# The Debian package (cpack -G DEB, run by scripts/package.sh): everything
# the default install puts under the prefix, installed under /usr, with its
# dependencies found by dpkg-shlibdeps and a shlibs file for the library.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME curling)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_CONTACT "Curling engine maintainers <maintainers@curling-engine.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "engines, match server and physics library for curling")
# Lines of the extended description; an empty one is a paragraph break.
set(CPACK_PACKAGE_DESCRIPTION [[
The curling physics library, libCurlingSimulator, with its C and C++
headers, CMake package and pkg-config file; curling-engine, an engine that
plays through the command protocol; curling-match, which plays games and
tournaments between engines (curling-match-mpi over MPI); curling-suite,
shot-selection suites with exact answers; and three baseline engines.]])
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The loader's cache is refreshed by the ldconfig trigger; the maintainer
# scripts given here take the place of those calling ldconfig that CPack
# would write.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/debian/triggers
    ${PROJECT_SOURCE_DIR}/packaging/debian/postinst ${PROJECT_SOURCE_DIR}/packaging/debian/postrm)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
include(CPack)
