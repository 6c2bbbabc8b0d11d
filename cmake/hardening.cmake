# The Linux build's programs and engine library carry Debian's hardening:
# the flags `dpkg-buildflags` gives with every hardening feature on (fortified
# libc calls, stack protector, format-string checks; relro and immediate
# binding), or the same list where dpkg-buildflags is missing, plus
# stack-clash and control-flow protection (newer dpkg adds both) and
# position-independent executables. Its optimisation and debug flags are
# left out: the build type chooses those. The sanitizer and fuzz builds do
# without the fortified calls, which hide the calls they instrument. The
# Windows build has its own, the ones mingw supports (its toolchain file);
# the browser build none.
#
# Debian 12's C start files (Scrt1.o, crti.o) are not built for control-flow
# protection (_init has no endbr64), so the linker marks no program on it as
# IBT/SHSTK-ready although all our code is compiled for it; forcing the mark
# (-z ibt) would claim it for code that is not.
option(BROVASK_HARDEN "build with Debian's hardening flags" ON)
if(NOT CMAKE_SYSTEM_NAME STREQUAL "Linux" OR NOT BROVASK_HARDEN)
  return()
endif()

set(BROVASK_HARDEN_COMPILE -D_FORTIFY_SOURCE=2 -fstack-protector-strong -Wformat -Werror=format-security)
set(BROVASK_HARDEN_LINK -Wl,-z,relro -Wl,-z,now)
find_program(BROVASK_DPKG_BUILDFLAGS dpkg-buildflags)
if(BROVASK_DPKG_BUILDFLAGS)
  set(BROVASK_HARDEN_COMPILE)
  set(BROVASK_HARDEN_LINK)
  foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
    execute_process(COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
                            ${BROVASK_DPKG_BUILDFLAGS} --get ${kind}
                    OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE)
    separate_arguments(flags UNIX_COMMAND "${flags}")
    list(FILTER flags EXCLUDE REGEX "^-(g.*|O.*|f(file|debug|macro)-prefix-map=.*)$")
    if(kind STREQUAL LDFLAGS)
      list(APPEND BROVASK_HARDEN_LINK ${flags})
    else()
      list(APPEND BROVASK_HARDEN_COMPILE ${flags})
    endif()
  endforeach()
endif()

include(CheckCXXCompilerFlag)
foreach(flag -fstack-clash-protection -fcf-protection)
  string(MAKE_C_IDENTIFIER "BROVASK_HAVE${flag}" have)
  check_cxx_compiler_flag(${flag} ${have})
  if(${have} AND NOT flag IN_LIST BROVASK_HARDEN_COMPILE)
    list(APPEND BROVASK_HARDEN_COMPILE ${flag})
  endif()
endforeach()
# glibc fortifies only optimised code, and warns about the others.
if(BROVASK_SANITIZE OR BROVASK_FUZZ)
  list(FILTER BROVASK_HARDEN_COMPILE EXCLUDE REGEX "^-D_FORTIFY_SOURCE")
else()
  list(TRANSFORM BROVASK_HARDEN_COMPILE REPLACE "^(-D_FORTIFY_SOURCE.*)$" "$<$<NOT:$<CONFIG:Debug>>:\\1>")
endif()
add_compile_options(${BROVASK_HARDEN_COMPILE})
add_link_options(${BROVASK_HARDEN_LINK})

set(CMAKE_POSITION_INDEPENDENT_CODE ON)
include(CheckPIESupported)
check_pie_supported()
