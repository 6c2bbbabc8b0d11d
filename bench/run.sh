#!/usr/bin/env bash
# Music player benchmark: renders theday.xm with xmrender (the whole tool:
# loading, rendering and writing the WAV) and, in one process, with the fast
# and with the frame-by-frame reference mixer. Speeds are multiples of real
# time, by wall clock and by processor time (the two differ when other work
# shares the machine's cores).
#   bench/run.sh [BUILD_DIR]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="${1:-build}"
case "$build" in /*) ;; *) build="$here/../$build" ;; esac
song="${BROVASK_XM_DIR:-$here/../../shared/xm}/songs/theday.xm"
if [ ! -f "$song" ]; then echo "bench: $song not found" >&2; exit 1; fi
cmake --build "$build" --target xmrender music_bench -j 2 >/dev/null

tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
best_wall=""
best_cpu=""
for i in 1 2 3 4 5; do
  start=$(date +%s%N)
  TIMEFORMAT='%3U %3S'
  { time "$build/xmrender" "$song" "$tmp/theday.wav" > "$tmp/out.txt" 2> "$tmp/err.txt"; } 2> "$tmp/time.txt"
  end=$(date +%s%N)
  wall=$(( end - start ))
  cpu=$(awk '{ printf "%d", ($1 + $2) * 1e9 }' "$tmp/time.txt")
  if [ -z "$best_wall" ] || [ "$wall" -lt "$best_wall" ]; then best_wall=$wall; fi
  if [ -z "$best_cpu" ] || [ "$cpu" -lt "$best_cpu" ]; then best_cpu=$cpu; fi
done
frames=$(sed -n 's/.*(\([0-9]*\) frames.*/\1/p' "$tmp/out.txt")
echo "xmrender: $(cat "$tmp/out.txt")"
awk -v f="$frames" -v w="$best_wall" -v c="$best_cpu" 'BEGIN { s = f / 48000;
  printf "xmrender, best of 5: %.4f s wall %.0fx real time; %.2f s processor %s real time\n",
    w / 1e9, s / (w / 1e9), c / 1e9, (c > 0 ? sprintf("%.0fx", s / (c / 1e9)) : "(below the timer resolution)") }'
echo
"$build/music_bench" "$song" 5
