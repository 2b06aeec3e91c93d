# Checks that EXECUTABLE carries exactly the payload archives named in
# EXPECTED (the eight of archive/payload_archives.h) as resources of type
# TVArc, each once, in language 1031 (0x407), each as large as the archive
# the build packed into ARCHIVE_DIR.
#   cmake -DOBJDUMP=... -DEXECUTABLE=... -DARCHIVE_DIR=... "-DEXPECTED=BASE;..." -P check_payload_resources.cmake
set(expected ${EXPECTED})
list(LENGTH expected count)
if(NOT count EQUAL 8)
  message(FATAL_ERROR "EXPECTED names ${count} archives, not the eight of the payload: '${EXPECTED}'")
endif()

execute_process(COMMAND ${OBJDUMP} -p ${EXECUTABLE} OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${OBJDUMP} -p ${EXECUTABLE} failed")
endif()

# The resource compiler stores type and names in upper case; lookups ignore case.
string(REGEX MATCH "Entry: name: \\[[^]\n]*\\]: TVARC, Value: [^\n]*\n[^\n]*Num Names: ([0-9]+), IDs: ([0-9]+)" type "${dump}")
if(NOT type)
  message(FATAL_ERROR "no resource type TVArc in ${EXECUTABLE}")
endif()
list(LENGTH expected count)
if(NOT CMAKE_MATCH_1 EQUAL count OR NOT CMAKE_MATCH_2 EQUAL 0)
  message(FATAL_ERROR "TVArc holds ${CMAKE_MATCH_1} named and ${CMAKE_MATCH_2} numbered resources, expected ${count} named")
endif()

set(problems "")
foreach(name IN LISTS expected)
  string(REGEX MATCH
    "Entry: name: \\[[^]\n]*\\]: ${name}, Value: [^\n]*\n[^\n]*Language Table: [^\n]*Num Names: 0, IDs: ([0-9]+)\n[^\n]*Entry: ID: 0x([0-9a-fA-F]+), [^\n]*\n[^\n]*Leaf: Addr: 0x[0-9a-fA-F]+, Size: 0x([0-9a-fA-F]+)"
    entry "${dump}")
  if(NOT entry)
    string(APPEND problems "  ${name}: missing\n")
    continue()
  endif()
  set(languages ${CMAKE_MATCH_1})
  math(EXPR language "0x${CMAKE_MATCH_2}")
  math(EXPR size "0x${CMAKE_MATCH_3}")
  file(SIZE ${ARCHIVE_DIR}/${name}.tvarc packed)
  if(NOT languages EQUAL 1 OR NOT language EQUAL 1031)
    string(APPEND problems "  ${name}: ${languages} language(s), the first ${language}; expected only 1031\n")
  endif()
  if(NOT size EQUAL packed)
    string(APPEND problems "  ${name}: ${size} bytes, the packed archive has ${packed}\n")
  endif()
endforeach()
if(problems)
  message(FATAL_ERROR "payload resources of ${EXECUTABLE}:\n${problems}")
endif()
message(STATUS "${count} TVArc resources, language 1031, sizes as packed")
