#!/usr/bin/env bash
# make test-web: xmrender under node against the native one (sound.pak and
# the XM corpus when it is beside the clone: bytes, exit codes, messages);
# the page in headless Chromium (tests/web/page_test.py).
#   tests/web/run.sh WEB_BUILD HOST_BUILD
set -u
here=$(cd "$(dirname "$0")/../.." && pwd)
web=$1 host=$2
if [ -z "${DISPLAY:-}" ] && [ -z "${INSIDE_XVFB:-}" ]; then
  INSIDE_XVFB=1 exec bash "$here/tests/with_display.sh" bash "$0" "$@"
fi
. "$here/tests/x11_lib.sh"
work=$(mktemp -d)
server=
trap '[ -n "$server" ] && kill "$server" 2>/dev/null; rm -rf "$work"' EXIT
failures=0 total=0
check() { local name=$1; shift; total=$((total + 1)); if "$@"; then echo "PASS: $name"; else echo "FAIL: $name"; failures=$((failures + 1)); fi; }
for tool in node chromium python3 compare import xdotool Xvfb; do
  command -v $tool >/dev/null || { echo "FAIL: $tool is not installed (tools/deps.sh web)"; exit 1; }
done

xmrender_node() {
  local corpus=${BROVASK_XM_DIR:-$here/../shared/xm} f n=0 differ=0 files=("$host/data/sound.pak")
  [ -d "$corpus" ] && mapfile -t -O 1 files < <(find "$corpus" -name '*.xm' | sort)
  for f in "${files[@]}"; do
    "$host/xmrender" "$f" "$work/native.wav" >"$work/native.out" 2>&1; echo "exit $?" >>"$work/native.out"
    node "$web/cmake/xmrender.js" "$f" "$work/node.wav" >"$work/node.out" 2>&1; echo "exit $?" >>"$work/node.out"
    if ! cmp -s "$work/native.out" "$work/node.out" ||
       { [ -f "$work/native.wav" ] && ! cmp -s "$work/native.wav" "$work/node.wav"; }; then
      echo "  differs: $f"; differ=$((differ + 1))
    fi
    rm -f "$work/native.wav" "$work/node.wav"
    n=$((n + 1))
  done
  echo "  xmrender under node: $n files, $differ differ"
  [ "$differ" = 0 ]
}
check "xmrender under node" xmrender_node

python3 "$here/tools/serve_web.py" "$web/Brovask" 0 >"$work/server.out" 2>&1 &
server=$!
for _ in $(seq 100); do grep -q http "$work/server.out" && break; sleep 0.1; done
url=$(grep -o 'http://[^ ]*' "$work/server.out")
# The same page, with the engine module under another name in its data.
mkdir "$work/broken"
cp "$web/Brovask"/* "$work/broken/"
sed -i 's|"/data/halvex.dll"|"/data/halvex.gone"|' "$work/broken/brovask.js"
ln -s "$work/broken" "$web/Brovask/.broken-$$"
trap '[ -n "$server" ] && kill "$server" 2>/dev/null; rm -f "$web/Brovask/.broken-$$"; rm -rf "$work"' EXIT

# SDL built from the same Debian source with its MMX blitters left out (x86-64
# has MMX by default: -mno-mmx), so
# that it blends as a browser's SDL does (the portable C blitters); built once.
plain_sdl=$web/deps/sdl-plain
build_plain_sdl() {
  [ -f "$plain_sdl/.done" ] && return 0
  cmake -S "$(ls -d "$web"/deps/src/libsdl2-*/ | head -1)" -B "$plain_sdl/build" -DCMAKE_BUILD_TYPE=Release \
    -DSDL_MMX=OFF -DSDL_3DNOW=OFF -DCMAKE_C_FLAGS="-mno-mmx -mno-3dnow" -DSDL_TEST=OFF -DSDL_STATIC=OFF -DCMAKE_INSTALL_PREFIX="$plain_sdl" >/dev/null &&
  cmake --build "$plain_sdl/build" -j "${JOBS:-2}" >/dev/null && cmake --install "$plain_sdl/build" >/dev/null &&
  touch "$plain_sdl/.done"
}

# The Linux game's first frame on that SDL against the page's, pixel for pixel.
first_frame() {
  (cd / && LD_LIBRARY_PATH=$plain_sdl/lib SDL_AUDIODRIVER=dummy SDL_RENDER_DRIVER=software HALVEX_NO_MESSAGEBOX=1 exec "$host/brovask") &
  local pid=$! wid
  wid=$(find_window_titled Brovask 200)
  [ -n "$wid" ] || { kill $pid; return 1; }
  sleep 2
  import -window "$wid" "$work/linux.png"
  xdotool key --window "$wid" Escape 2>/dev/null
  wait $pid
  local differing
  differing=$(compare -metric AE "$work/linux.png" "$work/web.png" null: 2>&1)
  echo "  first frame: $differing pixels differ from the Linux build's"
  [ "$differing" = 0 ]
}

check "page: play" /usr/bin/python3 "$here/tests/web/page_test.py" play "$url" "$work"
check "SDL without MMX blitters" build_plain_sdl
check "first frame" first_frame
"$host/xmrender" --volume=20 "$host/data/sound.pak" "$work/v20.wav" >/dev/null
check "page: audio" /usr/bin/python3 "$here/tests/web/page_test.py" audio "$url" "$work"
check "page: broken" /usr/bin/python3 "$here/tests/web/page_test.py" broken "$url.broken-$$/" "$work"
echo "web: $((total - failures)) tests passed, $failures tests failed"
[ "$failures" = 0 ]
