# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (posix threads,
# so that std::thread and std::mutex work). Used by `make windows` for the
# game and for the SDL2 and libpng it builds from Debian's sources.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_TRIPLET}-windres)
# The hardening mingw supports: stack protection (its runtime, libssp, is
# linked in statically with the rest), and images Windows may load at a
# random high address with a non-executable stack and heap. Newer binutils
# set the three image flags by default; saying them keeps an older one from
# leaving them out. tools/windows_deps.sh rebuilds SDL2 when this file changes.
set(BROVASK_WINDOWS_HARDENING -Wl,--dynamicbase -Wl,--nxcompat -Wl,--high-entropy-va)
string(JOIN " " BROVASK_WINDOWS_HARDENING ${BROVASK_WINDOWS_HARDENING})
set(CMAKE_C_FLAGS_INIT "-fstack-protector-strong")
set(CMAKE_CXX_FLAGS_INIT "-fstack-protector-strong")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-fstack-protector-strong ${BROVASK_WINDOWS_HARDENING}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-fstack-protector-strong ${BROVASK_WINDOWS_HARDENING}")
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
