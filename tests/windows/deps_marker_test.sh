#!/usr/bin/env bash
# tools/windows_deps.sh builds SDL2 and libpng once, and again for an
# upgraded libsdl2-dev (dpkg-query and cmake are stand-ins).
set -euo pipefail
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin" "$work/deps/src/"{libsdl2-2.0-1,libsdl2-2.1-1,libpng1.6-1.6-1}
printf '#!/usr/bin/env bash\nf=${2#-f=}; shift 2; for p; do v=1.6-1; [ $p = libsdl2-dev ] && v=$SDL; o=${f//%s/$p}; printf "${o//%s/$v}"; done\n' \
  "'\${Package}'" "'\${Version}'" >"$work/bin/dpkg-query"
printf '#!/bin/sh\necho "$*" >>"%s/log"\n' "$work" >"$work/bin/cmake"
chmod +x "$work/bin/"*
for step in "2.0-1 2" "2.0-1 2" "2.1-1 4"; do
  set -- $step
  SDL=$1 PATH="$work/bin:$PATH" bash "$(dirname "$0")/../../tools/windows_deps.sh" "$work/deps" 2>/dev/null
  [ "$(grep -c -- --build "$work/log")" = "$2" ] || { echo "FAIL: libsdl2-dev $1: not $2 builds in all"; exit 1; }
done
