#!/usr/bin/env bash
# The game as a player or a packager first meets it, in a real X display
# (run it under tests/with_display.sh). Argument: the build folder.
#  1. Without data/sound.pak the game starts, says so once on stderr, plays
#     silently and Escape ends it with exit code 0.
#  2. A truncated data/data.pak shows the "Error" box naming the file (its
#     full path) and the entry, with the same text on stderr; exit code 1
#     once OK is clicked.
#  3. Installed into a temporary DESTDIR, the launcher started from / opens
#     the game; the desktop entry validates, the icons have their sizes, and
#     uninstalling leaves neither a file nor a folder behind.
set -u
build="$(cd "$1" && pwd)"
src="$(cd "$(dirname "$0")/../.." && pwd)"
. "$src/tests/x11_lib.sh"
for f in brovask data/halvex.dll data/data.pak data/engine.pak data/sound.pak icons/256.png xmrender; do
  if [ ! -e "$build/$f" ]; then echo "SKIP: $build/$f is not built"; exit 77; fi
done
work=$(mktemp -d)
# A player's own `make install` record is set aside, and put back as it was.
records="install_manifest.txt install_destination.txt"
for f in $records; do [ -f "$build/$f" ] && mv "$build/$f" "$work/$f.saved"; done
cleanup() {
  [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null
  for f in $records; do rm -f "$build/$f"; [ -f "$work/$f.saved" ] && mv "$work/$f.saved" "$build/$f"; done
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; [ -f "$work/stderr.txt" ] && { echo "--- stderr:"; cat "$work/stderr.txt"; }; exit 1; }

# A copy of the game's folder to damage: the program and links to its data.
copy_game() {
  rm -rf "$work/game" && mkdir -p "$work/game/data"
  cp "$build/brovask" "$work/game/"
  for f in halvex.dll data.pak engine.pak sound.pak; do ln -s "$build/data/$f" "$work/game/data/$f"; done
}

# Starts a program from / in the background, as a launcher would.
start_from_root() {
  (cd / && exec env SDL_AUDIODRIVER=dummy "$@" 2>"$work/stderr.txt") &
  pid=$!
}

# Waits for the game's window, then ends the game with Escape; exit code 0.
expect_game_window() {
  local wid
  wid=$(find_window_titled Brovask 150)
  [ -n "$wid" ] || fail "$1: no window named Brovask"
  sleep 0.5
  xdotool key --window "$wid" Escape 2>/dev/null || xdotool key Escape
  wait_for_exit "$pid" 50 || fail "$1: Escape did not end the game"
  wait "$pid"; local code=$?
  pid=
  [ "$code" = 0 ] || fail "$1: exit code $code after Escape"
}

# 1. No music file.
copy_game
rm "$work/game/data/sound.pak"
start_from_root env HALVEX_NO_MESSAGEBOX=1 "$work/game/brovask"
expect_game_window "without data/sound.pak"
[ "$(grep -c 'data/sound.pak: .*; playing without music' "$work/stderr.txt")" = 1 ] ||
  fail "without data/sound.pak: not one line saying so"
echo "ok: without data/sound.pak the game played silently, one line on stderr, exit code 0"

# 2. A truncated asset pack.
copy_game
rm "$work/game/data/data.pak"
head -c 60000 "$build/data/data.pak" >"$work/game/data/data.pak"
start_from_root env -u HALVEX_NO_MESSAGEBOX "$work/game/brovask"
box=$(find_window_titled Error 150)
[ -n "$box" ] || fail "truncated data.pak: no message box titled Error"
grep -Eq "^$work/game/data/data.pak: entry [0-9]+ is (truncated|missing)" "$work/stderr.txt" ||
  fail "truncated data.pak: stderr does not name the file and the entry"
kill -0 "$pid" 2>/dev/null || fail "truncated data.pak: the game ended before the box was closed"
click_box_ok "$box"
wait_for_exit "$pid" 50 || fail "truncated data.pak: clicking OK did not end the game"
wait "$pid"; code=$?
pid=
[ "$code" = 1 ] || fail "truncated data.pak: exit code $code, expected 1"
echo "ok: truncated data.pak shown in the Error box ($(head -1 "$work/stderr.txt")), exit code 1"

# 3. Install (staged under DESTDIR, as a packager does), start, validate, uninstall.
prefix="$work/root/usr/local"
DESTDIR="$work/root" cmake --install "$build" --prefix /usr/local >"$work/install.txt" || fail "cmake --install failed"
[ -L "$prefix/games/brovask" ] || fail "no launcher $prefix/games/brovask"
for f in lib/games/brovask/brovask lib/games/brovask/data/halvex.dll lib/games/brovask/data/data.pak \
         lib/games/brovask/data/engine.pak lib/games/brovask/data/sound.pak share/applications/brovask.desktop; do
  [ -e "$prefix/$f" ] || fail "not installed: $f"
done
for size in 16 32 48 64 128 256; do
  icon="$prefix/share/icons/hicolor/${size}x${size}/apps/brovask.png"
  [ "$(identify -format '%wx%h' "$icon" 2>/dev/null)" = "${size}x${size}" ] || fail "icon $icon is not ${size}x${size}"
done
desktop-file-validate "$prefix/share/applications/brovask.desktop" >"$work/validate.txt" 2>&1 ||
  { cat "$work/validate.txt"; fail "the desktop entry does not validate"; }
start_from_root env HALVEX_NO_MESSAGEBOX=1 "$prefix/games/brovask"
expect_game_window "installed launcher"
DESTDIR="$work/root" bash "$src/tools/uninstall.sh" "$build" >/dev/null || fail "uninstall failed"
[ -z "$(ls -A "$work/root")" ] || fail "left behind after uninstall: $(find "$work/root")"
echo "ok: installed, the launcher started from / opened the game, the desktop entry validates, uninstall removed every file and folder"
