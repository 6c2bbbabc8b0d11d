#!/usr/bin/env bash
# The closing line of `make test`: how many tests were skipped and why, with
# the way to supply the XM corpus when its absence is the reason.
#   tools/skipped_tests.sh BUILD_DIR   (reads BUILD_DIR/ctest-output.txt)
build="$1"
count=$(grep -c '\*\*\*Skipped' "$build/ctest-output.txt" 2>/dev/null)
[ "${count:-0}" -gt 0 ] || exit 0
corpus=$(sed -n 's/^BROVASK_XM_DIR:PATH=//p' "$build/CMakeCache.txt")
if [ ! -d "$corpus/songs" ] && [ ! -d "$corpus/cases" ]; then
  echo "$count tests skipped: they need the XM test corpus, which is not at $corpus; see README, \"The XM test corpus\": put it there or build with -DBROVASK_XM_DIR=/path/to/xm"
else
  echo "$count tests skipped; \`ctest --test-dir $build -V -R NAME\` shows the reason of each"
fi
