# Checks that dependencies run one way: no file of a product folder
# includes a header of a folder above it, nor of tools/, tests/ or bench/.
#   cmake -DROOT=<source tree> -P check_layering.cmake
cmake_policy(VERSION 3.25)
# The product folders from the bottom up; each may include from those before it.
set(layers process strings stream messages folders archive splash launcher)
# Folders with code that are not part of the product.
set(outside tools tests bench build)

# Every top-level folder with C++ code must have its place above.
file(GLOB entries RELATIVE ${ROOT} ${ROOT}/*)
set(problems "")
foreach(entry IN LISTS entries)
  if(NOT IS_DIRECTORY ${ROOT}/${entry} OR entry IN_LIST layers OR entry IN_LIST outside)
    continue()
  endif()
  file(GLOB_RECURSE code ${ROOT}/${entry}/*.h ${ROOT}/${entry}/*.cpp)
  if(code)
    string(APPEND problems "  ${entry}/ holds code but has no place among the layers\n")
  endif()
endforeach()

# Which folder owns each header name: a product folder's own files, and
# anything below tools/, tests/ and bench/.
foreach(layer IN LISTS layers)
  file(GLOB headers RELATIVE ${ROOT}/${layer} ${ROOT}/${layer}/*.h)
  foreach(header IN LISTS headers)
    set(owner_${header} ${layer})
  endforeach()
endforeach()
foreach(folder tools tests bench)
  file(GLOB_RECURSE headers ${ROOT}/${folder}/*.h)
  foreach(header IN LISTS headers)
    get_filename_component(name ${header} NAME)
    if(NOT DEFINED owner_${name})
      set(owner_${name} ${folder})
    endif()
  endforeach()
endforeach()

set(below "")
foreach(layer IN LISTS layers)
  list(APPEND below ${layer})
  file(GLOB sources ${ROOT}/${layer}/*.h ${ROOT}/${layer}/*.cpp ${ROOT}/${layer}/*.rc)
  foreach(source IN LISTS sources)
    file(STRINGS ${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^\"]+\"")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*" "\\1" header "${line}")
      # A header of no folder (the platform's, a generated one) is no layer's.
      if(NOT DEFINED owner_${header} OR owner_${header} IN_LIST below)
        continue()
      endif()
      file(RELATIVE_PATH shown ${ROOT} ${source})
      string(APPEND problems "  ${shown} includes ${owner_${header}}/${header}\n")
    endforeach()
  endforeach()
endforeach()
if(problems)
  message(FATAL_ERROR "lower layers include from higher ones:\n${problems}")
endif()
string(JOIN " " order ${layers})
message(STATUS "layering holds, from the bottom up: ${order}")
