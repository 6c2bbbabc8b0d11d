#!/usr/bin/env bash
# Music player benchmark (`make bench`).
#
# For the game's own song (build/data/sound.pak) and, when the XM corpus is
# beside the clone, theday.xm: xmrender renders one pass to a WAV file, and
# so do the Debian players xmp and openmpt123 where they are installed, both
# with linear interpolation at 48 kHz. The runs are interleaved, five rounds,
# and each program's best processor time (user + system) and best wall time
# count; the ratio is the peer's processor time over xmrender's. Then, in one
# process, the fast and the frame-by-frame reference mixer, and the mixer's
# cost per voice-frame and per channel count (channels_bench).
#   bench/run.sh [BUILD_DIR]
# XMRENDER_BASELINE=path/to/an/older/xmrender adds that build to the rounds.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="${1:-build}"
case "$build" in /*) ;; *) build="$here/../$build" ;; esac
rounds=5
cmake --build "$build" --target xmrender music_bench channels_bench sound_pak -j 2 >/dev/null

songs=("$build/data/sound.pak")
corpus_song="${BROVASK_XM_DIR:-$here/../../shared/xm}/songs/theday.xm"
if [ -f "$corpus_song" ]; then songs+=("$corpus_song"); else echo "(no XM corpus beside the clone: theday.xm skipped)"; fi

peers=(xmrender)
if [ -n "${XMRENDER_BASELINE:-}" ]; then peers+=(baseline); fi
command -v xmp >/dev/null 2>&1 && peers+=(xmp) || echo "(xmp not installed: apt-get install xmp)"
command -v openmpt123 >/dev/null 2>&1 && peers+=(openmpt123) || echo "(openmpt123 not installed: apt-get install openmpt123)"

tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

# Runs one program on one song to $tmp/out.wav; prints "processor wall" in
# nanoseconds.
run_one() {
  local who="$1" song="$2"
  rm -f "$tmp/out.wav"
  local cmd
  case "$who" in
    xmrender) cmd=("$build/xmrender" "$song" "$tmp/out.wav") ;;
    baseline) cmd=("$XMRENDER_BASELINE" "$song" "$tmp/out.wav") ;;
    xmp) cmd=(xmp -q --nocmd --norc -i linear -f 48000 -o "$tmp/out.wav" "$song") ;;
    openmpt123) cmd=(openmpt123 -q --filter 2 --samplerate 48000 --no-float --batch -o "$tmp/out.wav" --force "$song") ;;
  esac
  local start end
  start=$(date +%s%N)
  { TIMEFORMAT='%3U %3S'; time "${cmd[@]}" >"$tmp/stdout.txt" 2>"$tmp/stderr.txt" </dev/null; } 2>"$tmp/time.txt"
  end=$(date +%s%N)
  awk -v wall=$((end - start)) '{ printf "%d %d\n", ($1 + $2) * 1e9, wall }' "$tmp/time.txt"
}

for song in "${songs[@]}"; do
  declare -A cpu=() wall=()
  for round in $(seq $rounds); do
    for who in "${peers[@]}"; do
      read -r c w < <(run_one "$who" "$song")
      if [ -z "${cpu[$who]:-}" ] || [ "$c" -lt "${cpu[$who]}" ]; then cpu[$who]=$c; fi
      if [ -z "${wall[$who]:-}" ] || [ "$w" -lt "${wall[$who]}" ]; then wall[$who]=$w; fi
      if [ "$who" = xmrender ]; then frames=$(sed -n 's/.*(\([0-9]*\) frames.*/\1/p' "$tmp/stdout.txt"); fi
    done
  done
  echo
  echo "song: $song, $(awk -v f="$frames" 'BEGIN { printf "%.3f", f / 48000 }') s of audio; one pass to a WAV file, best of $rounds interleaved runs"
  printf "  %-12s %12s %11s %12s %11s   %s\n" program processor "real time" wall "real time" "xmrender is"
  for who in "${peers[@]}"; do
    awk -v who="$who" -v f="$frames" -v c="${cpu[$who]}" -v w="${wall[$who]}" -v base="${cpu[xmrender]}" 'BEGIN {
      s = f / 48000
      ratio = (who == "xmrender") ? "" : (base > 0 ? sprintf("%.2fx as fast", c / base) : "(below the timer resolution)")
      printf "  %-12s %10.3f s %10.0fx %10.3f s %10.0fx   %s\n", who, c / 1e9, (c > 0 ? s / (c / 1e9) : 0), w / 1e9, s / (w / 1e9), ratio }'
  done
  echo
  echo "in one process, the song clock and the mixers without the file (music_bench):"
  "$build/music_bench" "$song" $rounds | sed 's/^/  /'
  unset cpu wall
done

echo
"$build/channels_bench" $rounds
