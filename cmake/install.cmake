# What `cmake --install` puts under the prefix: the libraries, the public headers,
# the command-line host, the procedure metadata, the Python package, the shipped
# scenarios and the CMake package, so that a host project writes
#   find_package(xv55 CONFIG REQUIRED)
#   target_link_libraries(host PRIVATE xv55::xv55)
include(CMakePackageConfigHelpers)

set(XV55_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/xv55)
set(XV55_INSTALL_DATADIR ${CMAKE_INSTALL_DATADIR}/xv55)

install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/xv55
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
  FILES_MATCHING PATTERN "*.h" PATTERN "*.hpp")
# The Python package finds the library and the metadata relative to itself; the metadata,
# the scenarios and the package come with the command-line host, which writes the metadata.
set(XV55_PYTHON_DIR ${XV55_INSTALL_DATADIR}/python)
if(XV55_BUILD_TOOLS)
  install(FILES ${XV55_METADATA} DESTINATION ${XV55_INSTALL_DATADIR})
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/tools/scenarios DESTINATION ${XV55_INSTALL_DATADIR})
file(RELATIVE_PATH XV55_PY_LIBRARY /prefix/${XV55_PYTHON_DIR}/xv55
     /prefix/${CMAKE_INSTALL_LIBDIR}/libxv55.so)
file(RELATIVE_PATH XV55_PY_PROCEDURES /prefix/${XV55_PYTHON_DIR}/xv55
     /prefix/${XV55_INSTALL_DATADIR}/procedures.json)
file(WRITE ${CMAKE_BINARY_DIR}/python/_installed.py
     "# Where the installed package finds the library, relative to this folder.\n"
     "LIBRARY = \"${XV55_PY_LIBRARY}\"\n"
     "PROCEDURES = \"${XV55_PY_PROCEDURES}\"\n")
install(DIRECTORY ${PROJECT_SOURCE_DIR}/python/xv55 DESTINATION ${XV55_PYTHON_DIR}
  PATTERN "__pycache__" EXCLUDE)
install(FILES ${CMAKE_BINARY_DIR}/python/_installed.py DESTINATION ${XV55_PYTHON_DIR}/xv55)
endif()

install(EXPORT xv55Targets NAMESPACE xv55:: DESTINATION ${XV55_INSTALL_CMAKEDIR})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/xv55Config.cmake.in
  ${CMAKE_BINARY_DIR}/cmake/xv55Config.cmake
  INSTALL_DESTINATION ${XV55_INSTALL_CMAKEDIR}
  PATH_VARS XV55_INSTALL_DATADIR XV55_PYTHON_DIR)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/cmake/xv55ConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_BINARY_DIR}/cmake/xv55Config.cmake
              ${CMAKE_BINARY_DIR}/cmake/xv55ConfigVersion.cmake
  DESTINATION ${XV55_INSTALL_CMAKEDIR})
