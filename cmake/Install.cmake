# What `cmake --install` puts under the prefix: the public headers, the
# shared library (with its SONAME and links), the zldb tool, a pkg-config
# file and a CMake package; and `cpack -G DEB` wraps the same in a Debian
# package.  The files are relocatable: a prefix given at install time
# (`cmake --install build --prefix DIR`) works as well as the configured one.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

install(DIRECTORY ${CMAKE_SOURCE_DIR}/include/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
  FILES_MATCHING PATTERN "*.h")
install(TARGETS zldbctrl70 EXPORT zldbctrl70Targets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
# The installed tool finds the library next to its own folder.
set_target_properties(zldb PROPERTIES INSTALL_RPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")
install(TARGETS zldb RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# pkg-config: the prefix is taken from where the file lies.
file(RELATIVE_PATH ZL_PC_TO_PREFIX /${CMAKE_INSTALL_LIBDIR}/pkgconfig /)
string(REGEX REPLACE "/$" "" ZL_PC_TO_PREFIX "${ZL_PC_TO_PREFIX}")
configure_file(${CMAKE_SOURCE_DIR}/cmake/zldbctrl70.pc.in ${CMAKE_BINARY_DIR}/zldbctrl70.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/zldbctrl70.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# CMake: find_package(zldbctrl70) gives zldbctrl70::zldbctrl70.
set(ZL_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/zldbctrl70)
install(EXPORT zldbctrl70Targets NAMESPACE zldbctrl70:: DESTINATION ${ZL_CMAKE_DIR})
configure_package_config_file(${CMAKE_SOURCE_DIR}/cmake/zldbctrl70Config.cmake.in
  ${CMAKE_BINARY_DIR}/zldbctrl70Config.cmake INSTALL_DESTINATION ${ZL_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_BINARY_DIR}/zldbctrl70ConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/zldbctrl70Config.cmake
  ${CMAKE_BINARY_DIR}/zldbctrl70ConfigVersion.cmake DESTINATION ${ZL_CMAKE_DIR})

# The Debian package (cpack -G DEB in the build folder).
set(CPACK_PACKAGE_NAME zldbctrl70)
set(CPACK_PACKAGE_VENDOR "zldbctrl70")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "Model libraries of a circuit simulation package kept in SQLite files (library, headers, zldb)")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "zldbctrl70 developers <zldbctrl70@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The run-time dependencies (SQLite, the C++ library) are read from the
# binaries by dpkg-shlibdeps; the packaged binaries carry no debug sections.
# libpq is loaded only when a server name is opened, so the binaries do not
# name it: the package depends on it itself.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(PostgreSQL_FOUND AND ZL_POSTGRES)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libpq5 (>= 14)")
endif()
set(CPACK_STRIP_FILES ON)
include(CPack)
