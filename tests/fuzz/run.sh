#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for FUZZ_SECONDS seconds
# (default 60), one after the other, with leak detection on, starting from
# the XM corpus (../shared/xm), the game's own music and pictures, and
# generated seeds (4-bit packed samples, a PNG, a font). What the fuzzer
# finds is kept in tests/fuzz/regressions/<target>/, which `make test`
# and each run replay; the corpus grows in the build folder. At the end of each
# target its executions, inputs a second and coverage are printed.
#   tests/fuzz/run.sh [FUZZ_BUILD_DIR] [SECONDS]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$here/../.."
build="${1:-$root/build-fuzz}"
seconds="${2:-${FUZZ_SECONDS:-60}}"
jobs="${JOBS:-2}"
targets="${FUZZ_TARGETS:-loader render image_font}"
if ! command -v clang++ >/dev/null; then
  echo "fuzz: clang++ is missing (apt-get install clang)" >&2
  exit 1
fi
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_COMPILER=clang \
  -DCMAKE_CXX_COMPILER=clang++ -DBROVASK_FUZZ=ON >/dev/null
cmake --build "$build" --target fuzz_loader fuzz_render fuzz_image_font fuzz_seeds -j "$jobs" >/dev/null
cmake --build "$build" --target sound_pak -j "$jobs" >/dev/null 2>&1 || true

work="$build/fuzz"
for t in loader render image_font; do mkdir -p "$work/$t/corpus" "$work/$t/seeds" "$here/regressions/$t"; done
"$build/fuzz_seeds" "$work/render/seeds" "$work/image_font/seeds"
xm="${BROVASK_XM_DIR:-$root/../shared/xm}"
if [ -d "$xm" ]; then find "$xm" -name '*.xm' -exec cp {} "$work/render/seeds/" \; ; fi
[ -f "$build/data/sound.pak" ] && cp "$build/data/sound.pak" "$work/render/seeds/game_sound.xm"
find "$root/docs" "$root/assets" -name '*.png' -exec cp {} "$work/image_font/seeds/" \; 2>/dev/null || true
cp "$work/render/seeds/"* "$work/loader/seeds/"

# Inputs are kept to 64 KB: a bigger module only repeats the reading and
# mixing of more sample data, and every branch is reached by small ones.
status=0
for t in $targets; do
  echo "== fuzz_$t for $seconds s"
  "$build/fuzz_$t" -max_total_time="$seconds" -rss_limit_mb=4096 -max_len=65536 \
    -timeout=30 -print_final_stats=1 -artifact_prefix="$here/regressions/$t/" \
    "$work/$t/corpus" "$work/$t/seeds" "$here/regressions/$t" 2>&1 | tee "$work/$t/log.txt" |
    grep -E "^#[0-9]+[[:space:]]+(INITED|DONE)|ERROR|SUMMARY|differ" || true
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$t/log.txt" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$work/$t/log.txt" | tail -1)
  cov=$(grep -oE "cov: [0-9]+ ft: [0-9]+" "$work/$t/log.txt" | tail -1 || true)
  echo "fuzz_$t: ${runs:-0} executions, ${rate:-0} inputs a second, ${cov:-no coverage reported}"
  if grep -q -E "ERROR: libFuzzer|SUMMARY: .*Sanitizer|differ at sample" "$work/$t/log.txt"; then
    echo "fuzz_$t: finding kept in tests/fuzz/regressions/$t/" >&2
    status=1
  fi
done
exit $status
