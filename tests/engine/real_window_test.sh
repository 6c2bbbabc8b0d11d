#!/usr/bin/env bash
# Drives the click demo in a real X window: checks a screenshot of the window
# (the button is green, the background dark blue), moves the pointer over the
# button and clicks it with xdotool, then presses Escape, and expects the
# demo to report the click and end with exit code 0. Then it makes the demo
# load a missing file and expects the error message box (closed by clicking
# its OK button), the message on stderr and exit code 1. While the demo
# starts, the X server is watched: exactly one top-level window may be mapped
# (on the renderer the engine chooses, and on the software one asked for).
# Run it under tests/with_display.sh so that it gets an X server of its own.
set -u
. "$(dirname "$0")/../x11_lib.sh"
demo="$1"
work="$(mktemp -d)"
. "$(dirname "$0")/../window_watch.sh"
trap 'rm -rf "$work"; for p in ${pid:-} ${watch_pid:-}; do kill "$p" 2>/dev/null; done' EXIT
fail() { echo "FAIL: $*"; echo "--- demo output:"; cat "$work/log"; exit 1; }

# Starts the demo with the X server's top-level windows watched; once it has
# drawn and a second has passed, counts the windows mapped meanwhile.
start_watched() {
  watch_start "$work/xev"
  HALVEX_NO_MESSAGEBOX=1 "$demo" >"$work/log" 2>&1 &
  pid=$!
  for _ in $(seq 100); do grep -q '^ready' "$work/log" && break; sleep 0.1; done
  grep -q '^ready' "$work/log" || fail "the demo never drew a frame"
  sleep 1
  mapped=$(watch_mapped)
  [ "$mapped" = 1 ] || { grep -A1 -E '^(Create|Map|Destroy)Notify' "$work/xev"; fail "$mapped windows mapped during start-up${1:+ ($1)}, expected 1"; }
}

if command -v xev >/dev/null && command -v xprop >/dev/null; then
  SDL_RENDER_DRIVER=software start_watched "SDL_RENDER_DRIVER=software"
  kill "$pid"; wait "$pid" 2>/dev/null; pid=
  start_watched
  echo "PASS: one window mapped during start-up"
else
  echo "(xev or xprop not installed: start-up windows not counted)"
  HALVEX_NO_MESSAGEBOX=1 "$demo" >"$work/log" 2>&1 &
  pid=$!
  for _ in $(seq 100); do grep -q '^ready' "$work/log" && break; sleep 0.1; done
  grep -q '^ready' "$work/log" || fail "the demo never drew a frame"
fi

wid="$(xdotool search --sync --name 'Halvex click demo' | head -n1)"
[ -n "$wid" ] || fail "no window captioned 'Halvex click demo'"
eval "$(xdotool getwindowgeometry --shell "$wid")"
[ "$WIDTH" = 320 ] && [ "$HEIGHT" = 240 ] || fail "window is ${WIDTH}x${HEIGHT}, not 320x240"

pixel() { # colour at window coordinates, as "r,g,b"
  convert "$work/shot.png" -crop "1x1+$(($1 + X))+$(($2 + Y))" -depth 8 txt:- |
    tail -n1 | sed -E 's/.*\(([0-9]+),([0-9]+),([0-9]+).*/\1,\2,\3/'
}
# The pointer of a fresh server sits in the middle of the screen, over the
# button: move it away first.
xdotool mousemove 0 0
sleep 0.3
import -window root "$work/shot.png" || fail "screenshot failed"
[ "$(pixel 160 120)" = "0,255,0" ] || fail "button pixel is $(pixel 160 120), expected green"
[ "$(pixel 20 20)" = "0,0,64" ] || fail "background pixel is $(pixel 20 20), expected 0,0,64"

xdotool mousemove --window "$wid" 160 120
sleep 0.3
import -window root "$work/shot.png"
[ "$(pixel 160 120)" = "255,255,0" ] || fail "button under the pointer is $(pixel 160 120), expected yellow"
xdotool click 1
for _ in $(seq 50); do grep -q '^clicked' "$work/log" && break; sleep 0.1; done
grep -q '^clicked' "$work/log" || fail "the click was not delivered"
xdotool key Escape
wait_for_exit "$pid" 50
wait "$pid"
rc=$?
pid=
[ "$rc" = 0 ] || fail "demo exit code $rc, expected 0"
[ "$(grep -c '^clicked' "$work/log")" = 1 ] || fail "expected exactly one click"
echo "PASS: click delivered, Escape ended the demo"
cat "$work/log"

# --- the error message box ---
env -u HALVEX_NO_MESSAGEBOX "$demo" --missing-file >"$work/log" 2>&1 &
pid=$!
box=$(find_window_titled Error 100)
[ -n "$box" ] || fail "no message box titled 'Error' appeared"
grep -qF "halvex: cannot open \"$PWD/no/such/dir/engine.pak\": No such file or directory" "$work/log" ||
  fail "the message is not on stderr"
kill -0 "$pid" 2>/dev/null || fail "the program ended before the box was closed"
click_box_ok "$box"
wait_for_exit "$pid" 50 || fail "clicking OK did not close the box"
wait "$pid"
rc=$?
pid=
[ "$rc" = 1 ] || fail "exit code $rc after the error box, expected 1"
echo "PASS: missing file shown in a message box, exit code 1"
