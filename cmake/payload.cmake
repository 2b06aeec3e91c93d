# Files the build adds to a payload archive on top of those in the archive's
# folder of TV_PAYLOAD_DIR, such as programs it compiles itself:
#
#   tv_payload_add_file(ARCHIVE NAME PATH [DEPENDS target-or-file...])
#
# NAME is the name inside the archive ('/' or '\' between folders), PATH the
# file (generator expressions such as $<TARGET_FILE:x> are allowed), DEPENDS
# the targets or files that produce it. Call it before resources/ is added:
# the payload build reads the list when it sets up the archives.
function(tv_payload_add_file archive name path)
  cmake_parse_arguments(PARSE_ARGV 3 arg "" "" "DEPENDS")
  if(arg_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "tv_payload_add_file: unexpected arguments ${arg_UNPARSED_ARGUMENTS}")
  endif()
  get_property(done GLOBAL PROPERTY TV_PAYLOAD_ARCHIVES_SET_UP)
  if(done)
    message(FATAL_ERROR "tv_payload_add_file(${archive} ${name}): called after the payload archives were set up")
  endif()
  set_property(GLOBAL APPEND PROPERTY TV_PAYLOAD_EXTRA_${archive} "${name}=${path}")
  set_property(GLOBAL APPEND PROPERTY TV_PAYLOAD_DEPENDS_${archive} "${path}" ${arg_DEPENDS})
endfunction()

# The eight payload archive names, in order, into the variable out: read
# from archive/payload_archives.h, the one list the code and the tests use
# too (each name stands quoted on a line of its own there).
function(tv_payload_archive_names out)
  set(list_file ${PROJECT_SOURCE_DIR}/archive/payload_archives.h)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${list_file})
  file(STRINGS ${list_file} lines REGEX "^ *\"[A-Z]+\",$")
  set(names "")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "^ *\"([A-Z]+)\",$" "\\1" name "${line}")
    list(APPEND names ${name})
  endforeach()
  list(LENGTH names count)
  if(NOT count EQUAL 8)
    message(FATAL_ERROR "${list_file} names ${count} archives, expected 8: ${names}")
  endif()
  set(${out} ${names} PARENT_SCOPE)
endfunction()

# The archive that carries the package's two programs at its top level and
# their file names, from archive/payload_archives.h, where the launcher
# takes them from: into archive_var, next_stage_var (the next stage's file)
# and helper_var (the clean-up helper's file, with ".exe").
function(tv_payload_programs archive_var next_stage_var helper_var)
  set(list_file ${PROJECT_SOURCE_DIR}/archive/payload_archives.h)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${list_file})
  foreach(constant kProgramsArchive kNextStageProgram kCleanUpHelper)
    file(STRINGS ${list_file} line REGEX "^inline const char ${constant}\\[\\] = \"[^\"]+\";$")
    if(NOT line MATCHES "= \"([^\"]+)\"")
      message(FATAL_ERROR "${list_file} does not define ${constant} on a line of its own")
    endif()
    set(${constant} ${CMAKE_MATCH_1})
  endforeach()
  set(${archive_var} ${kProgramsArchive} PARENT_SCOPE)
  set(${next_stage_var} ${kNextStageProgram} PARENT_SCOPE)
  set(${helper_var} ${kCleanUpHelper}.exe PARENT_SCOPE)
endfunction()
