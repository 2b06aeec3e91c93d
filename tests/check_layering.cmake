# Checks that dependencies run one way: no file of a lower folder includes a
# header that lives in a folder above it.
#   cmake -DROOT=<source tree> -P check_layering.cmake
# Each rule: a lower folder, then the folders whose headers it must not include.
set(rules
  "strings|stream archive folders messages launcher splash"
  "stream|archive folders messages launcher splash"
  "messages|archive folders launcher splash"
  "folders|archive launcher splash"
  "archive|launcher splash")

set(problems "")
foreach(rule IN LISTS rules)
  string(REPLACE "|" ";" rule "${rule}")
  list(GET rule 0 lower)
  list(GET rule 1 above)
  separate_arguments(above)
  file(GLOB sources ${ROOT}/${lower}/*.h ${ROOT}/${lower}/*.cpp ${ROOT}/${lower}/*.rc)
  foreach(source IN LISTS sources)
    file(STRINGS ${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^\"]+\"")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*" "\\1" header "${line}")
      foreach(folder IN LISTS above)
        if(EXISTS ${ROOT}/${folder}/${header} AND NOT EXISTS ${ROOT}/${lower}/${header})
          file(RELATIVE_PATH shown ${ROOT} ${source})
          string(APPEND problems "  ${shown} includes ${folder}/${header}\n")
        endif()
      endforeach()
    endforeach()
  endforeach()
endforeach()
if(problems)
  message(FATAL_ERROR "lower layers include from higher ones:\n${problems}")
endif()
message(STATUS "layering holds: no lower folder includes from a higher one")
