#!/usr/bin/env bash
# Builds the libraries the Windows programs need from Debian's own sources,
# at the versions the Linux build uses, into PREFIX (default
# build-windows/deps): SDL2 as SDL2.dll from the `libsdl2` source package,
# libpng as a static library from `libpng1.6`; zlib comes ready-built from
# libz-mingw-w64-dev. The revision used is the one of the installed
# libsdl2-dev/libpng-dev where the archive still has it, else the newest
# available revision of the same upstream version (the security suite can
# lack the newest revision's files); PREFIX/versions.txt names the revision
# used. PREFIX/.done records what the libraries were built from (the
# installed package versions, this script, fetch_source.sh and the toolchain
# file): a call that finds the same record does nothing, and any change (an
# upgraded libsdl2-dev, say) rebuilds them.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
prefix=$(realpath -m "${1:-build-windows/deps}")
jobs=${JOBS:-2}
toolchain="$here/cmake/mingw-w64.cmake"
built_from() {
  dpkg-query -W -f='${Package} ${Version}\n' libsdl2-dev libpng-dev libz-mingw-w64-dev
  sha256sum "$here/tools/windows_deps.sh" "$here/tools/fetch_source.sh" "$toolchain" | sed "s|$here/||"
}
key=$(built_from)
if [ -f "$prefix/.done" ] && [ "$(cat "$prefix/.done")" = "$key" ]; then exit 0; fi
if [ -f "$prefix/.done" ]; then
  echo "windows_deps: rebuilding SDL2 and libpng, their sources or build changed:" >&2
  diff <(cat "$prefix/.done") <(echo "$key") >&2 || true
fi
rm -rf "$prefix/.done" "$prefix/build-sdl2" "$prefix/build-png"
src="$prefix/src"
mkdir -p "$src"
zlib=/usr/x86_64-w64-mingw32/lib/libz.a

source "$here/tools/fetch_source.sh"

rm -f "$prefix/versions.txt"
sdl=$(fetch libsdl2 libsdl2-dev)
png=$(fetch libpng1.6 libpng-dev)

common=(-DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix"
        -DBROVASK_WINDOWS_PREFIX="$prefix")
# SDL2.dll carries its C runtime helpers inside (libgcc, and libssp, the
# stack protector's), so that it needs no DLL beyond Windows' own. (Added to
# the toolchain's hardened link flags, not in place of them.) Without the
# prefix's path in it (SDL2 names its source files in its errors), a build in
# another folder gives the same SDL2.dll.
CFLAGS="-ffile-prefix-map=$prefix=." cmake -S "$sdl" -B "$prefix/build-sdl2" "${common[@]}" \
  -DSDL_SHARED=ON -DSDL_STATIC=OFF -DSDL_TEST=OFF -DCMAKE_SHARED_LINKER_FLAGS_RELEASE="-static"
# SDL2.dll's header is dated by its Debian source (its changelog's last
# entry), not by the build or by our commit.
SOURCE_DATE_EPOCH=$(dpkg-parsechangelog -l "$sdl/debian/changelog" -S Timestamp) \
  cmake --build "$prefix/build-sdl2" -j "$jobs"
cmake --install "$prefix/build-sdl2"

cmake -S "$png" -B "$prefix/build-png" "${common[@]}" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF \
  -DZLIB_LIBRARY="$zlib" -DZLIB_INCLUDE_DIR=/usr/x86_64-w64-mingw32/include -DSKIP_INSTALL_PROGRAMS=ON \
  -DSKIP_INSTALL_FILES=ON
cmake --build "$prefix/build-png" -j "$jobs"
cmake --install "$prefix/build-png"
echo "$key" >"$prefix/.done"
