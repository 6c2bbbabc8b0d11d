#!/usr/bin/env bash
# xmrender.exe under wine beside the Linux xmrender (`make bench`, once
# `make windows` has built it), in the Windows tests' wine prefix.
#   bench/wine_ratio.sh BUILD WIN_BUILD
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
win=$(realpath "$2")
export WINEPREFIX="$win/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  DISPLAY= wineboot --init >/dev/null 2>&1
  wineserver -w  # the server wineboot started, gone before ours starts
fi
wineserver -p || true
DISPLAY= wineboot >/dev/null 2>&1 </dev/null
trap 'wineserver -k 2>/dev/null || true' EXIT
bash "$here/beside_native.sh" "$1" "under wine (xmrender.exe)" wine "$win/Brovask/xmrender.exe"
