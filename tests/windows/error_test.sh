#!/usr/bin/env bash
# brovask.exe's fatal errors under wine: without data\halvex.dll a message
# box titled "Error" with "Error while loading Halvex Engine", exit code 1;
# with a damaged data.pak the same box with the same text as the Linux
# build gives, naming the entry; the package in "Jeux vidéo ゲーム\", the box (wine's trace) says stderr's path.
#   error_test.sh HOST_BUILD PACKAGE   (in an X display, see run.sh)
. "$(dirname "$0")/scenario_lib.sh" "$@"

# Runs a copy of the package from another folder; the box must come up and,
# once closed with Enter, the game must end with exit code 1.
boxed_run() {
  (cd / && WINEDEBUG=trace+win exec wine "$game/brovask.exe" 2>"$work/wine.err") &
  pid=$!
  local box
  box=$(find_window_titled Error 300)
  [ -n "$box" ] || { cat "$work/wine.err"; fail "$1: no window titled Error"; }
  sleep 0.3
  xdotool key --window "$box" Return 2>/dev/null || true  # whether it ends is checked next
  wait_for_exit "$pid" 100 || fail "$1: the game did not end when the box was closed"
  local code=0 && wait "$pid" || code=$?
  pid=
  [ "$code" = 1 ] || fail "$1: exit code $code, not 1"
  local line=$(grep -a -v :trace: "$work/wine.err" | grep -m1 -e "$2" | tr -d '\r' || true)
  [ -n "$line" ] && grep -aqF "set_window_text L\"$(perl -CS -lpe 's/\\/\\\\/g; s/([^ -~])/sprintf("\\%04x", ord $1)/ge' <<<"$line")\"" "$work/wine.err" ||
    { cat "$work/wine.err"; fail "$1: the box does not say \"$2...\""; }
}

game=$(unpack)
rm "$game/data/halvex.dll"
boxed_run "without data\\halvex.dll" "^Error while loading Halvex Engine"
echo "without data\\halvex.dll: box \"Error\", $(grep -a -m1 '^Error while' "$work/wine.err"), exit code 1"

# The pack cut short inside an entry: the Linux build names the entry.
cp "$package/data/halvex.dll" "$game/data/"
head -c 100000 "$package/data/data.pak" >"$game/data/data.pak"
mkdir -p "$work/linux/data"
cp "$host/brovask" "$work/linux/"
cp "$host/data/halvex.dll" "$host/data/engine.pak" "$host/data/sound.pak" "$work/linux/data/"
cp "$game/data/data.pak" "$work/linux/data/"
(cd / && SDL_AUDIODRIVER=dummy HALVEX_NO_MESSAGEBOX=1 timeout 30 "$work/linux/brovask" 2>"$work/linux.err") || true
expected=$(grep -m1 'data/data.pak' "$work/linux.err" || true)
[ -n "$expected" ] || { cat "$work/linux.err"; fail "the Linux build did not name data/data.pak"; }
boxed_run "with a damaged data.pak" "data.pak: "
# Each names the full path it tried, in its platform's form; what follows
# the path is the same.
got=$(grep -a -v :trace: "$work/wine.err" | grep -m1 'data.pak: ' | tr -d '\r' || true)
path="$(winepath -w "$game" 2>/dev/null)\\data\\data.pak"
[ "${got%%: *}" = "$path" ] || { cat "$work/wine.err"; fail "under wine the message names \"${got%%: *}\", not \"$path\""; }
[ "${got#*data.pak}" = "${expected#*data.pak}" ] || fail "under wine \"$got\", on Linux \"$expected\""
echo "damaged data.pak: box \"Error\", \"$got\" as on Linux, exit code 1"
