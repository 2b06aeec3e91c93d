# GoogleTest from the distribution's source package, built with the current
# toolchain so that the cross builds get Windows test libraries.
find_path(TV_GOOGLETEST_SOURCE CMakeLists.txt
  HINTS ${TV_GOOGLETEST_SOURCE} /usr/src/googletest
  NO_CMAKE_FIND_ROOT_PATH)
if(NOT TV_GOOGLETEST_SOURCE)
  message(FATAL_ERROR "GoogleTest sources not found: install the googletest package or set TV_GOOGLETEST_SOURCE")
endif()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
add_subdirectory(${TV_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
