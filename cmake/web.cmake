# The browser build's libraries (see tools/web_deps.sh): SDL2, libpng and
# zlib built from Debian's sources into BROVASK_WEB_PREFIX as static wasm
# libraries. The engine module compiles against their headers only; the game
# links them and exports what the engine imports (cmake/web_package.cmake).
set(BROVASK_WEB_PREFIX "" CACHE PATH "where tools/web_deps.sh installed SDL2, libpng and zlib")
set(BROVASK_HOST_BUILD "" CACHE PATH "the Linux build whose generators made the data files")
if(NOT BROVASK_WEB_PREFIX OR NOT BROVASK_HOST_BUILD)
  message(FATAL_ERROR "set BROVASK_WEB_PREFIX and BROVASK_HOST_BUILD (make web does)")
endif()
# The engine is a wasm side module built as a shared library.
set_property(GLOBAL PROPERTY TARGET_SUPPORTS_SHARED_LIBS TRUE)
# No threads: the page runs everything on its one thread.
add_library(Threads::Threads INTERFACE IMPORTED)
add_library(PkgConfig::SDL2 INTERFACE IMPORTED)
set_target_properties(PkgConfig::SDL2 PROPERTIES
  INTERFACE_INCLUDE_DIRECTORIES ${BROVASK_WEB_PREFIX}/include/SDL2)
add_library(PNG::PNG INTERFACE IMPORTED)
set_target_properties(PNG::PNG PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${BROVASK_WEB_PREFIX}/include)
# Every object is position-independent: the game is a main module.
add_compile_options(-fPIC)
# clang (emscripten) warns where GCC does not: fit.cpp's branch-free `&` of comparisons.
add_compile_options(-Wno-bitwise-instead-of-logical)
