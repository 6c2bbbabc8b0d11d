#!/usr/bin/env bash
# The game in a window the player resizes, under an X server with a large
# screen (tests/with_display.sh with BROVASK_XVFB_SCREEN): at start-up exactly
# one window is mapped; at 1600 x 1200 the picture is the 800 x 600 one
# scaled pixel-sharp, and clicks at the scaled centres of a build site and of
# a shop button select the site (it darkens) and buy the gun (the site and
# the money change); at 1280 x 600 black bars flank the picture, a click in
# a bar selects nothing and the same click inside the picture does. F11 and
# Alt+Enter each switch to full screen (the desktop's size, bars at the
# sides) and back to 1280 x 600, on the bare X server and, where openbox is
# installed, under a window manager. Escape ends the game with exit code 0. Argument: the build folder holding brovask and data/.
set -u
. "$(dirname "$0")/../x11_lib.sh"
build="$1"
cd "$build" || exit 1
for f in brovask data/halvex.dll data/data.pak data/engine.pak data/sound.pak; do
  if [ ! -e "$f" ]; then echo "SKIP: $build/$f is not built"; exit 77; fi
done
for t in xdotool import convert compare xev xprop; do
  command -v "$t" >/dev/null || { echo "SKIP: $t is not installed"; exit 77; }
done
shots=$(mktemp -d)
. "$(dirname "$0")/../window_watch.sh"
trap 'rm -rf "$shots"; for p in ${pid:-} ${watch_pid:-} ${wm:-}; do kill "$p" 2>/dev/null; done' EXIT
fail() { echo "FAIL: $*"; cat "$shots/stderr.txt" 2>/dev/null; exit 1; }

watch_start "$shots/xev.txt"
SDL_AUDIODRIVER=dummy HALVEX_NO_MESSAGEBOX=1 ./brovask 2>"$shots/stderr.txt" &
pid=$!
wid=$(xdotool search --sync --onlyvisible --name '^Brovask$' 2>/dev/null | head -1)
[ -n "$wid" ] || fail "no window named Brovask"
sleep 1.5
mapped=$(watch_mapped)
[ "$mapped" = 1 ] || fail "$mapped windows mapped at start-up, expected 1"

geometry() { # sets WIDTH HEIGHT wx wy of the game window
  eval "$(xdotool getwindowgeometry --shell "$wid")"
  wx=$X; wy=$Y
}
resize() { # to width height, at the top left of the screen
  xdotool windowmove "$wid" 0 0 windowsize "$wid" "$1" "$2"
  for _ in $(seq 30); do geometry; [ "$WIDTH" = "$1" ] && [ "$HEIGHT" = "$2" ] && break; sleep 0.1; done
  [ "$WIDTH" = "$1" ] && [ "$HEIGHT" = "$2" ] || fail "window is ${WIDTH}x$HEIGHT, not $1x$2"
}
shot() { import -window root "$shots/$1.png"; }
park() { xdotool mousemove $((wx + $1)) $((wy + $2)); sleep 0.6; }
click() { xdotool mousemove $((wx + $1)) $((wy + $2)) click 1; }
# Mean brightness (0..1) of a region in window coordinates of a screenshot.
mean() { convert "$1" -crop "$4x$5+$((wx + $2))+$((wy + $3))" +repage -colorspace Gray -format '%[fx:mean]' info:; }
crop() { convert "$1" -crop "$4x$5+$((wx + $2))+$((wy + $3))" +repage "$6"; }
rms() { compare -metric RMSE "$1" "$2" null: 2>&1 | sed 's/.*(\(.*\))/\1/'; }
above() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a > b) }'; }

geometry
[ "$WIDTH" = 800 ] && [ "$HEIGHT" = 600 ] || fail "window is ${WIDTH}x$HEIGHT, not 800x600"
park 300 250; shot s800
# The shop panel (right of x 600) does not move: its pixels at 800 x 600.
crop "$shots/s800.png" 600 30 200 300 "$shots/shop800.png"

# --- 1600 x 1200: twice the size, pixel-sharp ---
resize 1600 1200
park 600 500; shot start
crop "$shots/start.png" 1200 60 400 600 "$shots/shop1600.png"
convert "$shots/shop800.png" -filter point -resize 200% "$shots/shop800x2.png"
sharp=$(rms "$shots/shop800x2.png" "$shots/shop1600.png")
echo "1600x1200: shop panel against the 800x600 one doubled: rms $sharp"
above 0.01 "$sharp" || fail "the picture at 1600x1200 is not the 800x600 one doubled"

# Site row 1, column 3 (x 160..208, y 488..536 of the game), doubled.
click $((2 * 184)) $((2 * 512))
park 600 500; shot selected
before=$(mean "$shots/start.png" 320 976 96 96)
after=$(mean "$shots/selected.png" 320 976 96 96)
echo "site brightness: $before before, $after selected"
above "$before" "$(awk -v a="$after" 'BEGIN { print a * 1.08 }')" || fail "the selected site did not darken"
# The first gun button, $200, centred at (647, 62) of the game.
click $((2 * 647)) $((2 * 62))
park 600 500; shot built
crop "$shots/selected.png" 320 976 96 96 "$shots/a.png"; crop "$shots/built.png" 320 976 96 96 "$shots/b.png"
gun=$(rms "$shots/a.png" "$shots/b.png")
crop "$shots/start.png" 300 4 240 40 "$shots/a.png"; crop "$shots/built.png" 300 4 240 40 "$shots/b.png"
money=$(rms "$shots/a.png" "$shots/b.png")
echo "site change after the purchase: $gun; money text change: $money"
above "$gun" 0.05 || fail "the site does not show a gun"
above "$money" 0.01 || fail "the money did not change"

# --- 1280 x 600: the picture at its own size between bars 240 pixels wide ---
resize 1280 600
park 640 20; shot wide
left=$(mean "$shots/wide.png" 0 0 240 600)
right=$(mean "$shots/wide.png" 1040 0 240 600)
inside=$(mean "$shots/wide.png" 240 0 800 600)
echo "1280x600: bars $left and $right, picture $inside"
[ "$left" = 0 ] && [ "$right" = 0 ] || fail "the bars are not black"
above "$inside" 0.05 || fail "no picture between the bars"
# Site row 2, column 1 (x 64..112, y 536..584): first its game position in
# the left bar, which must select nothing, then inside the picture.
before=$(mean "$shots/wide.png" $((240 + 64)) 536 48 48)
click 88 560
park 640 20; shot bar
crop "$shots/wide.png" 240 0 800 600 "$shots/a.png"; crop "$shots/bar.png" 240 0 800 600 "$shots/b.png"
barclick=$(mean "$shots/bar.png" $((240 + 64)) 536 48 48)
echo "site after a click in the bar: $before -> $barclick"
above "$barclick" "$(awk -v a="$before" 'BEGIN { print a * 0.93 }')" || fail "a click in the bar selected the site"
click $((240 + 88)) 560
park 640 20; shot picked
picked=$(mean "$shots/picked.png" $((240 + 64)) 536 48 48)
echo "site after a click on it: $picked"
above "$before" "$(awk -v a="$picked" 'BEGIN { print a * 1.08 }')" || fail "a click on the site in the picture did not select it"

# --- full screen and back: on the bare X server, then with a window manager ---
# F11 and Alt+Enter each fill the screen with the picture between bars, and
# bring the window back at 1280 x 600.
full_screen_and_back() {
  local root key sw sh pw bar fl fp
  root=$(xdotool getdisplaygeometry)
  for key in F11 alt+Return; do
    xdotool windowactivate --sync "$wid" 2>/dev/null
    xdotool key "$key"
    for _ in $(seq 30); do geometry; [ "$WIDTH $HEIGHT" = "$root" ] && break; sleep 0.1; done
    [ "$WIDTH $HEIGHT" = "$root" ] || fail "$1, $key: window is ${WIDTH}x$HEIGHT, not full screen ($root)"
    park 10 10; shot full
    read -r sw sh <<<"$root"
    pw=$(((sh * 800 + 300) / 600)); bar=$(((sw - pw) / 2))
    fl=$(mean "$shots/full.png" 0 0 "$bar" "$sh")
    fp=$(mean "$shots/full.png" "$bar" 0 "$pw" "$sh")
    echo "$1, $key: full screen ${sw}x$sh, bar $fl, picture $fp"
    [ "$fl" = 0 ] && above "$fp" 0.05 || fail "$1: full screen does not show the picture between bars"
    xdotool key "$key"
    for _ in $(seq 30); do geometry; [ "$WIDTH" = 1280 ] && [ "$HEIGHT" = 600 ] && break; sleep 0.1; done
    [ "$WIDTH" = 1280 ] && [ "$HEIGHT" = 600 ] || fail "$1, $key again: window is ${WIDTH}x$HEIGHT, not 1280x600"
    park 640 20
  done
  echo "$1: full screen with F11 and with Alt+Enter, and back to 1280x600"
}
# A display that already has a window manager keeps it.
has_wm() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
has_wm || full_screen_and_back "without a window manager"
if has_wm || command -v openbox >/dev/null; then
  if ! has_wm; then
    openbox --sm-disable >/dev/null 2>&1 &
    wm=$!
    for _ in $(seq 50); do has_wm && break; sleep 0.1; done
  fi
  full_screen_and_back "with a window manager"
else
  echo "(openbox is not installed: full screen with a window manager not tried)"
fi

xdotool key --window "$wid" Escape 2>/dev/null || xdotool key Escape
wait_for_exit "$pid" 50 || fail "Escape did not end the program"
wait "$pid"; code=$?
pid=
[ "$code" = 0 ] || fail "exit code $code after Escape"
echo "ok: one window at start-up, sharp at 1600x1200 with the site selected and a gun bought, bars and clicks at 1280x600, Escape gave exit code 0"
