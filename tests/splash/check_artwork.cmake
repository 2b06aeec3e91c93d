# Runs the artwork generator into OUTPUT and compares what it drew with the
# checked-in files in EXPECTED, byte for byte.
#   cmake -DTOOL=... -DOUTPUT=... -DEXPECTED=... -P check_artwork.cmake
file(REMOVE_RECURSE ${OUTPUT})
file(MAKE_DIRECTORY ${OUTPUT})
execute_process(COMMAND ${TOOL} ${OUTPUT} RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${TOOL} ${OUTPUT} failed: ${failed}")
endif()
foreach(name splash.bmp tessaroven.ico)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUTPUT}/${name} ${EXPECTED}/${name}
                  RESULT_VARIABLE different)
  if(different)
    message(FATAL_ERROR "${name}: the generator draws something else than resources/splash holds; "
                        "regenerate it (see the README)")
  endif()
endforeach()
message(STATUS "splash.bmp and tessaroven.ico are as the generator draws them")
