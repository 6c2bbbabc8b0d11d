#!/usr/bin/env bash
# xmrender.exe under wine beside the Linux xmrender (`make bench`, once
# `make windows` has built it): the same songs, interleaved, five rounds,
# each program's best processor time (user + system). wine's own start-up,
# measured as the processor time of `xmrender.exe --help`, is taken off, and
# the ratio is Linux's time over the Windows build's (1.0 = as fast).
#   bench/wine_ratio.sh BUILD WIN_BUILD
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build=$(realpath "$1") win=$(realpath "$2")
exe="$win/Brovask/xmrender.exe"
export WINEPREFIX="$win/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
[ -f "$WINEPREFIX/system.reg" ] || DISPLAY= wineboot --init >/dev/null 2>&1
wineserver -p
DISPLAY= wineboot >/dev/null 2>&1 </dev/null
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"; wineserver -k 2>/dev/null || true' EXIT
rounds=5
songs=("$build/data/sound.pak")
corpus_song="${BROVASK_XM_DIR:-$here/../../shared/xm}/songs/theday.xm"
[ -f "$corpus_song" ] && songs+=("$corpus_song")

# Processor time of one command in milliseconds.
cpu_ms() {
  local TIMEFORMAT='%3U %3S' t
  t=$({ time "$@" >/dev/null 2>&1; } 2>&1 | tail -1)
  awk -v t="$t" 'BEGIN { split(t, a, " "); printf "%d\n", (a[1] + a[2]) * 1000 }'
}
best() { sort -n | head -1; }

startup=$(for _ in $(seq $rounds); do cpu_ms wine "$exe" --help; done | best)
echo "xmrender.exe under wine: wine start-up ${startup} ms of processor time (taken off below)"
for song in "${songs[@]}"; do
  : >"$tmp/linux" && : >"$tmp/wine"
  for _ in $(seq $rounds); do
    cpu_ms "$build/xmrender" "$song" "$tmp/l.wav" >>"$tmp/linux"
    cpu_ms wine "$exe" "$song" "$tmp/w.wav" >>"$tmp/wine"
  done
  linux=$(best <"$tmp/linux") windows=$(($(best <"$tmp/wine") - startup))
  [ "$windows" -gt 0 ] || windows=1
  awk -v s="$(basename "$song")" -v l="$linux" -v w="$windows" \
    'BEGIN { printf "%-12s Linux %5d ms, Windows build under wine %5d ms: ratio %.2f (Linux time / wine time)\n", s, l, w, l / w }'
done
