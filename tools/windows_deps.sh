#!/usr/bin/env bash
# Builds the libraries the Windows programs need from Debian's own sources,
# at the versions the Linux build uses, into PREFIX (default
# build-windows/deps): SDL2 as SDL2.dll from the `libsdl2` source package,
# libpng as a static library from `libpng1.6`; zlib comes ready-built from
# libz-mingw-w64-dev. The revision used is the one of the installed
# libsdl2-dev/libpng-dev where the archive still has it, else the newest
# available revision of the same upstream version (the security suite can
# lack the newest revision's files); PREFIX/versions.txt names the revision
# used. Runs once: a second call finds PREFIX/.done and does nothing.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
prefix=$(realpath -m "${1:-build-windows/deps}")
jobs=${JOBS:-2}
[ -f "$prefix/.done" ] && exit 0
src="$prefix/src"
mkdir -p "$src"
toolchain="$here/cmake/mingw-w64.cmake"
zlib=/usr/x86_64-w64-mingw32/lib/libz.a

source "$here/tools/fetch_source.sh"

rm -f "$prefix/versions.txt"
sdl=$(fetch libsdl2 libsdl2-dev)
png=$(fetch libpng1.6 libpng-dev)

common=(-DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix"
        -DBROVASK_WINDOWS_PREFIX="$prefix")
cmake -S "$sdl" -B "$prefix/build-sdl2" "${common[@]}" -DSDL_SHARED=ON -DSDL_STATIC=OFF -DSDL_TEST=OFF \
  -DCMAKE_SHARED_LINKER_FLAGS="-static-libgcc"
cmake --build "$prefix/build-sdl2" -j "$jobs"
cmake --install "$prefix/build-sdl2"

cmake -S "$png" -B "$prefix/build-png" "${common[@]}" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF \
  -DZLIB_LIBRARY="$zlib" -DZLIB_INCLUDE_DIR=/usr/x86_64-w64-mingw32/include -DSKIP_INSTALL_PROGRAMS=ON \
  -DSKIP_INSTALL_FILES=ON
cmake --build "$prefix/build-png" -j "$jobs"
cmake --install "$prefix/build-png"
touch "$prefix/.done"
