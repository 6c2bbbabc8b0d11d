# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (posix threads,
# so that std::thread and std::mutex work). Used by `make windows` for the
# game and for the SDL2 and libpng it builds from Debian's sources.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLET} ${BROVASK_WINDOWS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Tests and tools built for Windows run here under wine.
find_program(BROVASK_WINE wine)
if(BROVASK_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${BROVASK_WINE})
endif()
