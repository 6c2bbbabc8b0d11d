#!/usr/bin/env bash
# xmrender built for node (`make web`) beside the native one (`make bench`):
# the same songs, interleaved, five rounds, each program's best processor
# time (user + system); node's own start-up, measured as the processor time
# of `xmrender.js --help`, is taken off. The ratio is the native time over
# node's (1.0 = as fast).
#   bench/node_ratio.sh BUILD WEB_BUILD
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build=$(realpath "$1") js=$(realpath "$2")/cmake/xmrender.js
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
rounds=5
songs=("$build/data/sound.pak")
corpus_song="${BROVASK_XM_DIR:-$here/../../shared/xm}/songs/theday.xm"
[ -f "$corpus_song" ] && songs+=("$corpus_song")

cpu_ms() {
  local TIMEFORMAT='%3U %3S' t
  t=$({ time "$@" >/dev/null 2>&1; } 2>&1 | tail -1)
  awk -v t="$t" 'BEGIN { split(t, a, " "); printf "%d\n", (a[1] + a[2]) * 1000 }'
}
best() { sort -n | head -1; }

startup=$(for _ in $(seq $rounds); do cpu_ms node "$js" --help; done | best)
echo "xmrender under node: node start-up ${startup} ms of processor time (taken off below)"
for song in "${songs[@]}"; do
  : >"$tmp/native" && : >"$tmp/node"
  for _ in $(seq $rounds); do
    cpu_ms "$build/xmrender" "$song" "$tmp/n.wav" >>"$tmp/native"
    cpu_ms node "$js" "$song" "$tmp/j.wav" >>"$tmp/node"
  done
  native=$(best <"$tmp/native") node=$(($(best <"$tmp/node") - startup))
  [ "$node" -gt 0 ] || node=1
  awk -v s="$(basename "$song")" -v l="$native" -v w="$node" \
    'BEGIN { printf "%-12s native %5d ms, node %5d ms: ratio %.2f (native time / node time)\n", s, l, w, l / w }'
done
