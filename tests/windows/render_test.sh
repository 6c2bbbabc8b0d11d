#!/usr/bin/env bash
# xmrender.exe under wine writes the same WAV file, byte for byte, as the
# Linux xmrender: for the game's song and, when the corpus is there, for
# every module of it (a module one refuses, the other must refuse too).
#   render_test.sh HOST_BUILD PACKAGE XM_DIR
set -euo pipefail
host=$1 package=$2 xm=$3
: "${WINEPREFIX:?set by tests/windows/run.sh: the tests never use your own wine prefix}"
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
modules=("$host/data/sound.pak")
if [ -d "$xm/songs" ]; then
  modules+=("$xm"/songs/*.xm "$xm"/cases/*.xm)
else
  echo "the XM corpus is not at $xm: only the game's song is compared"
fi
failed=0 same=0
for m in "${modules[@]}"; do
  linux=0 && "$host/xmrender" --volume 20 "$m" "$out/linux.wav" >/dev/null 2>&1 || linux=$?
  windows=0 && wine "$package/xmrender.exe" --volume 20 "$m" "$out/windows.wav" >/dev/null 2>&1 || windows=$?
  if [ "$linux" != "$windows" ]; then
    echo "FAIL: $m: exit code $linux on Linux, $windows under wine"; failed=$((failed + 1))
  elif [ "$linux" = 0 ] && ! cmp -s "$out/linux.wav" "$out/windows.wav"; then
    echo "FAIL: $m: the WAV files differ"; failed=$((failed + 1))
  else
    same=$((same + 1))
  fi
  rm -f "$out"/*.wav
done
echo "$same of ${#modules[@]} modules rendered alike on Linux and under wine"
[ "$failed" = 0 ]
