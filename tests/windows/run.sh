#!/usr/bin/env bash
# make test-windows: every test of the Windows build (build-windows/cmake)
# under wine, in a display of its own (Xvfb) and a wine prefix of its own
# under the build folder, so the user's own prefix is never touched.
#   run.sh WIN_BUILD
set -euo pipefail
win=$1
here=$(cd "$(dirname "$0")" && pwd)
export WINEPREFIX="$win/wine" WINEDEBUG=-all
# No Mono or Gecko installer prompts while the prefix is made.
export WINEDLLOVERRIDES="mscoree,mshtml="
export BROVASK_FORCE_XVFB=1 BROVASK_XVFB_SCREEN=1024x768x24
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "Making the tests' wine prefix $WINEPREFIX"
  DISPLAY= wineboot --init >/dev/null 2>&1
  wineserver -w  # the server wineboot started, gone before ours starts
fi
# One wine server for the whole run; it ends with the run. Its services
# (the desktop among them) are started here, in the tests' display and away
# from the tests: CTest waits for the end of a test's output, which a service
# started by a test would hold open, and a desktop started without a display
# shows no message box at all (MessageBoxA then returns at once).
wineserver -p || echo "a wine server already runs in $WINEPREFIX: the tests use it"
status=0
cd "$win/cmake" && bash "$here/../with_display.sh" bash -c \
  'wineboot >/dev/null 2>&1 </dev/null; ctest --output-on-failure -j "${JOBS:-2}" ${CTEST_ARGS:-}' || status=$?
wineserver -k 2>/dev/null || true
exit $status
