# The Windows build's libraries (see tools/windows_deps.sh): SDL2 as a DLL
# and libpng built from Debian's sources in BROVASK_WINDOWS_PREFIX, zlib
# from libz-mingw-w64-dev, GoogleTest from Debian's googletest sources.
set(BROVASK_WINDOWS_PREFIX "" CACHE PATH "where tools/windows_deps.sh installed SDL2 and libpng")
set(BROVASK_HOST_BUILD "" CACHE PATH "the Linux build whose generators made the data files")
if(NOT BROVASK_HOST_BUILD)
  message(FATAL_ERROR "set BROVASK_HOST_BUILD to the Linux build folder (make windows does)")
endif()

# Programs carry their C and C++ runtime and the thread library inside, so
# that they need no DLL beyond Windows' own and SDL2.dll.
string(APPEND CMAKE_EXE_LINKER_FLAGS " -static")
string(APPEND CMAKE_SHARED_LINKER_FLAGS " -static")

enable_language(RC)
find_package(SDL2 CONFIG REQUIRED)
# The game's targets name SDL2 as the Linux build finds it through pkg-config.
# SDL_MAIN_HANDLED: our programs have their own main, no SDL2main.
add_library(PkgConfig::SDL2 INTERFACE IMPORTED)
set_target_properties(PkgConfig::SDL2 PROPERTIES
  INTERFACE_LINK_LIBRARIES SDL2::SDL2
  INTERFACE_COMPILE_DEFINITIONS SDL_MAIN_HANDLED)

set(ZLIB_LIBRARY /usr/x86_64-w64-mingw32/lib/libz.a)
set(ZLIB_INCLUDE_DIR /usr/x86_64-w64-mingw32/include)
find_package(PNG REQUIRED)

set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
# (It names its targets GTest::gtest and GTest::gtest_main itself.)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# Under wine every process costs a wine start-up, so each test program runs
# whole, as one test, instead of one process per test case.
function(gtest_discover_tests target)
  cmake_parse_arguments(arg "" "DISCOVERY_TIMEOUT" "PROPERTIES" ${ARGN})
  add_test(NAME ${target} COMMAND ${target})
  if(arg_PROPERTIES)
    set_tests_properties(${target} PROPERTIES ${arg_PROPERTIES})
  endif()
  set_tests_properties(${target} PROPERTIES TIMEOUT 1800)
endfunction()

# The data files are the Linux build's, byte for byte.
set(BROVASK_ICON_DIR ${BROVASK_HOST_BUILD}/icons)
set(BROVASK_ICON_SIZES 16 32 48 64 128 256)
set(BROVASK_WINDOWS_ICON ${CMAKE_BINARY_DIR}/brovask.ico)
set(icons)
foreach(size ${BROVASK_ICON_SIZES})
  list(APPEND icons ${BROVASK_ICON_DIR}/${size}.png)
endforeach()
add_custom_command(OUTPUT ${BROVASK_WINDOWS_ICON}
  COMMAND convert ${icons} ${BROVASK_WINDOWS_ICON}
  DEPENDS ${icons}
  COMMENT "Packing the icon into brovask.ico"
  VERBATIM)
file(WRITE ${CMAKE_BINARY_DIR}/brovask.rc "1 ICON \"${BROVASK_WINDOWS_ICON}\"\n")
set_source_files_properties(${CMAKE_BINARY_DIR}/brovask.rc PROPERTIES OBJECT_DEPENDS ${BROVASK_WINDOWS_ICON})
set(BROVASK_WINDOWS_RESOURCES ${CMAKE_BINARY_DIR}/brovask.rc)
add_custom_target(windows_icon DEPENDS ${BROVASK_WINDOWS_ICON})
