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

if(WIN32)
  # The win32-thread-model compilers lack the std::mutex and
  # std::condition_variable that GoogleTest's Notification is built on; a
  # Win32 event stands in, forced into GoogleTest and every test.
  set(_tv_notification ${PROJECT_SOURCE_DIR}/tests/support/gtest_win32_notification)
  target_sources(gtest PRIVATE ${_tv_notification}.cpp)
  target_compile_definitions(gtest PUBLIC GTEST_HAS_NOTIFICATION_=1)
  target_compile_options(gtest PUBLIC "$<$<COMPILE_LANGUAGE:CXX>:SHELL:-include ${_tv_notification}.h>")
endif()
