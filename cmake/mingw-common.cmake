# Shared by both MinGW-w64 toolchains: the posix-thread compilers, a static
# runtime (the programs need no MinGW DLLs beside them) and Wine to run what
# the build produces.
set(CMAKE_C_COMPILER ${PURVANE_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PURVANE_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${PURVANE_MINGW_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${PURVANE_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
# A 32-bit build's programs are marked, so that a machine that runs no 32-bit
# code skips their tests instead of failing them.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86")
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-exec --32)
else()
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-exec)
endif()
