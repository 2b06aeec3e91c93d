# What a release build of the launcher depends on besides its sources: the
# version it carries and the time its payload entries get, and the flags
# that make the same sources give the same bytes in any build folder.

# File and product version of the version resource and the manifest, by
# the rule of cmake/version_rule.cmake. scripts/make-setup sets it from --version.
include(${CMAKE_CURRENT_LIST_DIR}/version_rule.cmake)
set(TV_VERSION ${PROJECT_VERSION} CACHE STRING "Version the launcher carries (X.Y.Z)")
tv_check_version("${TV_VERSION}" TV_VERSION_PARTS tv_version_problem)
if(tv_version_problem)
  message(FATAL_ERROR "TV_VERSION: ${tv_version_problem}")
endif()

# Seconds since 1970 that every payload entry gets as its times, so that
# the archives do not depend on when the files were written. Empty: the
# build environment's SOURCE_DATE_EPOCH when the archives are packed, else
# the files' own times.
set(TV_SOURCE_DATE_EPOCH "$ENV{SOURCE_DATE_EPOCH}" CACHE STRING
    "Time of the payload entries, seconds since 1970 (empty: the files' own)")
if(NOT TV_SOURCE_DATE_EPOCH STREQUAL "" AND NOT TV_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$")
  message(FATAL_ERROR "TV_SOURCE_DATE_EPOCH must be a number of seconds, not '${TV_SOURCE_DATE_EPOCH}'")
endif()

if(WIN32 AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  # No link time in the headers: the time stamp stays 0.
  add_link_options(-Wl,--no-insert-timestamp)
  # No build machine's folders in the code (__FILE__ and the like). The
  # build folder's map comes last: it may lie inside the source tree, and
  # the last map that matches wins.
  add_compile_options(-ffile-prefix-map=${PROJECT_SOURCE_DIR}=src -ffile-prefix-map=${CMAKE_BINARY_DIR}=build)
endif()
