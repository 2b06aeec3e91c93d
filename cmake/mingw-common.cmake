# Shared part of the mingw-w64 toolchain files; MINGW_TRIPLET names the target.
# The win32 thread model: the launcher starts no thread, and the posix model
# would link its thread library into every executable.
set(CMAKE_C_COMPILER ${MINGW_TRIPLET}-gcc-win32)
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLET}-g++-win32)
set(CMAKE_RC_COMPILER ${MINGW_TRIPLET}-windres)
set(CMAKE_OBJDUMP ${MINGW_TRIPLET}-objdump)
set(CMAKE_STRIP ${MINGW_TRIPLET}-strip)

# A build folder keeps the compilers it was first configured with, whatever
# this file says later; one made with other compilers must start afresh.
if(DEFINED CACHE{CMAKE_CXX_COMPILER_AR} AND NOT "$CACHE{CMAKE_CXX_COMPILER_AR}" MATCHES "-gcc-ar-win32$")
  message(FATAL_ERROR "${CMAKE_BINARY_DIR} was configured with other compilers "
                      "($CACHE{CMAKE_CXX_COMPILER_AR}): configure it again with --fresh")
endif()

set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The launcher must start on a bare Windows: no compiler runtime DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# DLLs too: on i686 (DWARF-2 unwinding) a DLL otherwise imports
# libgcc_s_dw2-1.dll, which no Windows has, and does not load.
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")
# Unreferenced sections of the runtime libraries are dropped from the download.
set(CMAKE_EXE_LINKER_FLAGS_MINSIZEREL_INIT "-Wl,--gc-sections")
