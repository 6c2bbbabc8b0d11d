#!/usr/bin/env bash
# brovask.exe's fatal errors under wine: without data\halvex.dll a message
# box titled "Error" with "Error while loading Halvex Engine", exit code 1;
# with a damaged data.pak the same box with the same text as the Linux
# build gives, naming the entry. (The box's text is written to stderr by the
# same call that shows it; stderr is what is compared.)
#   error_test.sh HOST_BUILD PACKAGE   (in an X display, see run.sh)
. "$(dirname "$0")/scenario_lib.sh" "$@"

# Runs a copy of the package from another folder; the box must come up and,
# once closed with Enter, the game must end with exit code 1.
boxed_run() {
  (cd / && exec wine "$work/Brovask/brovask.exe" 2>"$work/wine.err") &
  pid=$!
  local box
  box=$(find_window_titled Error 300)
  [ -n "$box" ] || { cat "$work/wine.err"; fail "$1: no window titled Error"; }
  sleep 0.3
  xdotool key --window "$box" Return 2>/dev/null
  wait_for_exit "$pid" 100 || fail "$1: the game did not end when the box was closed"
  wait "$pid"
  local code=$?
  pid=
  [ "$code" = 1 ] || fail "$1: exit code $code, not 1"
}

cp -r "$package" "$work/Brovask"
rm "$work/Brovask/data/halvex.dll"
boxed_run "without data\\halvex.dll"
grep -q "^Error while loading Halvex Engine" "$work/wine.err" || { cat "$work/wine.err"; fail "the box's text is not the loader's"; }
echo "without data\\halvex.dll: box \"Error\", $(grep -m1 '^Error while' "$work/wine.err"), exit code 1"

# The pack cut short inside an entry: the Linux build names the entry.
cp "$package/data/halvex.dll" "$work/Brovask/data/"
head -c 100000 "$package/data/data.pak" >"$work/Brovask/data/data.pak"
mkdir -p "$work/linux/data"
cp "$host/brovask" "$work/linux/"
cp "$host/data/halvex.dll" "$host/data/engine.pak" "$host/data/sound.pak" "$work/linux/data/"
cp "$work/Brovask/data/data.pak" "$work/linux/data/"
(cd / && SDL_AUDIODRIVER=dummy HALVEX_NO_MESSAGEBOX=1 timeout 30 "$work/linux/brovask" 2>"$work/linux.err")
expected=$(grep -m1 'data/data.pak' "$work/linux.err")
[ -n "$expected" ] || { cat "$work/linux.err"; fail "the Linux build did not name data/data.pak"; }
boxed_run "with a damaged data.pak"
# Each names the full path it tried, in its platform's form; what follows
# the path is the same.
got=$(tr -d '\r' <"$work/wine.err" | grep -m1 'data.pak: ')
case "$got" in
  [A-Z]:\\*\\Brovask\\data\\data.pak:*) ;;
  *) cat "$work/wine.err"; fail "under wine the message does not name the full path of data\\data.pak: \"$got\"" ;;
esac
[ "${got#*data.pak}" = "${expected#*data.pak}" ] || fail "under wine \"$got\", on Linux \"$expected\""
echo "damaged data.pak: box \"Error\", \"$got\" as on Linux, exit code 1"
