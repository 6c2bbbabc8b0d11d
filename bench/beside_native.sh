#!/usr/bin/env bash
# Another build of xmrender beside the native one: the same songs,
# interleaved, five rounds, each program's best processor time (user +
# system). The other build's own start-up, measured as the processor time of
# its `--help`, is taken off, and the ratio is the native time over the
# other's (1.0 = as fast).
#   bench/beside_native.sh BUILD NAME COMMAND...
# COMMAND runs the other xmrender (e.g. `node build-web/cmake/xmrender.js`).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build=$(realpath "$1") name=$2
shift 2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
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

startup=$(for _ in $(seq $rounds); do cpu_ms "$@" --help; done | best)
echo "xmrender $name: start-up ${startup} ms of processor time (taken off below)"
for song in "${songs[@]}"; do
  : >"$tmp/native" && : >"$tmp/other"
  for _ in $(seq $rounds); do
    cpu_ms "$build/xmrender" "$song" "$tmp/n.wav" >>"$tmp/native"
    cpu_ms "$@" "$song" "$tmp/o.wav" >>"$tmp/other"
  done
  native=$(best <"$tmp/native") other=$(($(best <"$tmp/other") - startup))
  [ "$other" -gt 0 ] || other=1
  awk -v s="$(basename "$song")" -v l="$native" -v w="$other" -v n="$name" \
    'BEGIN { printf "%-12s native %5d ms, %s %5d ms: ratio %.2f (native time / its time)\n", s, l, n, w, l / w }'
done
