#!/usr/bin/env bash
# Builds the libraries the browser build needs from Debian's own sources, at
# the versions the Linux build uses, as static position-independent wasm
# libraries (the game, a main module, carries them for the engine module)
# into PREFIX (default build-web/deps): SDL2 from `libsdl2` (its Emscripten
# platform, no threads), libpng from `libpng1.6`, zlib from `zlib` (its C
# files compiled directly: its CMake does not configure under emcmake).
# Runs once: a second call finds PREFIX/.done and does nothing.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
prefix=$(realpath -m "${1:-build-web/deps}")
jobs=${JOBS:-2}
[ -f "$prefix/.done" ] && exit 0
src="$prefix/src"
mkdir -p "$src" "$prefix/lib" "$prefix/include"
WEB_BUILD=$(dirname "$prefix") source "$here/tools/web_env.sh"
source "$here/tools/fetch_source.sh"

rm -f "$prefix/versions.txt"
sdl=$(fetch libsdl2 libsdl2-dev)
png=$(fetch libpng1.6 libpng-dev)
zlib=$(fetch zlib zlib1g-dev)

flags="-O2 -fPIC"
rm -rf "$prefix/build-zlib" && mkdir -p "$prefix/build-zlib"
for c in adler32 compress crc32 deflate gzclose gzlib gzread gzwrite infback inffast inflate inftrees trees \
         uncompr zutil; do
  emcc $flags -DHAVE_UNISTD_H -c "$zlib/$c.c" -o "$prefix/build-zlib/$c.o"
done
emar rcs "$prefix/lib/libz.a" "$prefix/build-zlib"/*.o
cp "$zlib/zlib.h" "$zlib/zconf.h" "$prefix/include/"

common=(-DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_POSITION_INDEPENDENT_CODE=ON
        -DCMAKE_C_FLAGS="$flags")
emcmake cmake -S "$sdl" -B "$prefix/build-sdl2" "${common[@]}" -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF \
  -DSDL_PTHREADS=OFF -DSDL_THREADS=OFF
cmake --build "$prefix/build-sdl2" -j "$jobs"
cmake --install "$prefix/build-sdl2"

emcmake cmake -S "$png" -B "$prefix/build-png" "${common[@]}" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF \
  -DPNG_HARDWARE_OPTIMIZATIONS=OFF -DZLIB_LIBRARY="$prefix/lib/libz.a" -DZLIB_INCLUDE_DIR="$prefix/include" \
  -DSKIP_INSTALL_PROGRAMS=ON -DSKIP_INSTALL_FILES=ON -DSKIP_INSTALL_EXECUTABLES=ON
cmake --build "$prefix/build-png" -j "$jobs"
cmake --install "$prefix/build-png"
touch "$prefix/.done"
