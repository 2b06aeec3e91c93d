# The rule for the version a launcher carries, in one place for the build
# (cmake/release.cmake includes it) and the release command, which runs it
# before it builds anything:
#   cmake -DTV_VERSION=X.Y.Z -P cmake/version_rule.cmake
# prints what is wrong on standard output and fails, or prints nothing.

# X.Y.Z, each part a number from 0 to 65535 written without leading zeros:
# the resource compiler reads 010 as octal (8) and stops at 08, while the
# version strings and the manifest would say 010. Sets problem_var to what
# is wrong (empty when the version holds) and parts_var to the three numbers.
function(tv_check_version version parts_var problem_var)
  set(problem "")
  set(parts "")
  if(NOT version MATCHES "^([0-9]+)\\.([0-9]+)\\.([0-9]+)$")
    set(problem "the version must be X.Y.Z with numbers, not '${version}'")
  else()
    set(parts ${CMAKE_MATCH_1} ${CMAKE_MATCH_2} ${CMAKE_MATCH_3})
    foreach(part IN LISTS parts)
      string(LENGTH "${part}" digits)
      if(part MATCHES "^0[0-9]")
        set(problem "version ${version}: the part ${part} starts with 0 (write each part without leading zeros)")
        break()
      elseif(digits GREATER 5 OR part GREATER 65535)
        set(problem "version ${version}: each part must be at most 65535")
        break()
      endif()
    endforeach()
  endif()
  set(${parts_var} ${parts} PARENT_SCOPE)
  set(${problem_var} "${problem}" PARENT_SCOPE)
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  tv_check_version("${TV_VERSION}" parts problem)
  if(problem)
    execute_process(COMMAND ${CMAKE_COMMAND} -E echo "${problem}")
    message(FATAL_ERROR "${problem}")
  endif()
endif()
