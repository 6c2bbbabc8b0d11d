#!/usr/bin/env bash
# `make check-reproducible`: two fresh clones of the last commit, in folders
# of different names and depths, built one after the other with another
# umask and time zone, must give the same Debian package, Windows zip and
# data files, byte for byte (cmp); where they differ, diffoscope shows how.
# Both Windows builds use the SDL2/libpng prefix WIN_DEPS (built by the
# first when it is missing): building them twice would double the time.
set -euo pipefail
src="$(cd "$(dirname "$0")/../.." && pwd)"
deps="${WIN_DEPS:-$src/build-windows/deps}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
[ -z "$(git -C "$src" status --porcelain --untracked-files=no)" ] ||
  echo "note: uncommitted changes are not built, only the last commit"

# Each build finds its dates itself, from its own clone.
unset SOURCE_DATE_EPOCH MAKEFLAGS MFLAGS MAKELEVEL
build() { # folder umask time-zone
  echo "== building in $1 (umask $2, TZ=$3)"
  (umask "$2" && export TZ="$3" && git clone -q "$src" "$1" && cd "$1" &&
   make deb && make windows BUILD=build-deb WIN_DEPS="$deps" WIN_TARGETS=windows_package) \
    >"$work/log.txt" 2>&1 || { tail -n 40 "$work/log.txt"; exit 1; }
}
build "$work/a" 022 UTC
build "$work/second/build/b" 077 Asia/Kathmandu

status=0
count=0
for a in "$work"/a/build-deb/*.deb "$work"/a/build-deb/data/*.pak "$work"/a/build-windows/*.zip; do
  b="$work/second/build/b/${a#"$work"/a/}"
  count=$((count + 1))
  if cmp "$a" "$b"; then
    echo "same: ${a#"$work"/a/}"
  else
    status=1
    diffoscope --no-progress --text - "$a" "$b" | head -n 120 || true
  fi
done
[ "$count" = 5 ] || { echo "FAIL: expected 5 files (a .deb, 3 .pak, a .zip), compared $count"; exit 1; }
[ "$status" = 0 ] && echo "ok: the $count files are byte-identical" || echo "FAIL: the builds differ"
exit "$status"
