#!/usr/bin/env bash
# `make check-reproducible`: two fresh clones of the last commit, in folders
# of other names and depths, built one after the other with another umask
# and time zone, give the same Debian package, Windows zip and data files
# (cmp); where they differ, diffoscope shows how. Both Windows builds use the
# SDL2/libpng prefix WIN_DEPS (built by the first if missing): building it
# twice would double the time.
set -euo pipefail
src="$(cd "$(dirname "$0")/../.." && pwd)"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Each build finds its dates itself, from its own clone.
unset SOURCE_DATE_EPOCH MAKEFLAGS MFLAGS MAKELEVEL
build() { # folder umask time-zone
  echo "== building the last commit in $1 (umask $2, TZ=$3)"
  (umask "$2" && export TZ="$3" && git clone -q "$src" "$1" && cd "$1" && make deb &&
   make windows BUILD=build-deb WIN_DEPS="${WIN_DEPS:-$src/build-windows/deps}" WIN_TARGETS=windows_package) \
    >"$work/log.txt" 2>&1 || { tail -n 40 "$work/log.txt"; exit 1; }
}
build "$work/a" 022 UTC
build "$work/second/build/b" 077 Asia/Kathmandu
cd "$work/a"
files=(build-deb/*.deb build-deb/data/*.pak build-windows/*.zip)
[ ${#files[@]} = 5 ] || { echo "FAIL: expected a .deb, 3 .pak files and a .zip: ${files[*]}"; exit 1; }
status=0
for f in "${files[@]}"; do
  if cmp "$f" "$work/second/build/b/$f"; then echo "same: $f"; else
    status=1; diffoscope --no-progress --text - "$f" "$work/second/build/b/$f" | head -n 120 || true; fi
done
[ "$status" = 0 ] && echo "ok: the 5 files are byte-identical" || echo "FAIL: the builds differ"
exit "$status"
