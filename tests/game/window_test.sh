#!/usr/bin/env bash
# The game in a real window: click an empty site and the first gun button
# with xdotool, and check from screenshots that the site darkens when
# selected, then shows the gun, and that the HUD's money changes; Escape
# ends the program with exit code 0. Runs inside an X display (see
# tests/with_display.sh). Argument: the build folder holding brovask and data/.
set -u
. "$(dirname "$0")/../x11_lib.sh"
build="$(cd "$1" && pwd)" || exit 1
cd "$build" || exit 1
for f in brovask data/halvex.dll data/data.pak data/engine.pak data/sound.pak; do
  if [ ! -e "$f" ]; then echo "SKIP: $build/$f is not built"; exit 77; fi
done
shots=$(mktemp -d)
trap 'rm -rf "$shots"; [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null' EXIT
fail() { echo "FAIL: $*"; exit 1; }

# Started by its full path from another folder, as a launcher would: the
# game finds data/ beside its executable.
(cd / && SDL_AUDIODRIVER=dummy HALVEX_NO_MESSAGEBOX=1 exec "$build/brovask" 2>"$shots/stderr.txt") &
pid=$!
wid=$(xdotool search --sync --onlyvisible --name '^Brovask$' 2>/dev/null | head -1)
[ -n "$wid" ] || fail "no window named Brovask"
eval "$(xdotool getwindowgeometry --shell "$wid")"
[ "$WIDTH" = 800 ] && [ "$HEIGHT" = 600 ] || fail "window is ${WIDTH}x$HEIGHT, not 800x600"
wx=$X; wy=$Y

# Mean brightness (0..1) of a region given in window coordinates.
mean() { convert "$1" -crop "$4x$5+$((wx + $2))+$((wy + $3))" +repage -colorspace Gray -format '%[fx:mean]' info:; }
# Root-mean-square difference (0..1) of a region between two screenshots.
diff_rms() {
  convert "$1" -crop "$5x$6+$((wx + $3))+$((wy + $4))" +repage "$shots/a.png"
  convert "$2" -crop "$5x$6+$((wx + $3))+$((wy + $4))" +repage "$shots/b.png"
  compare -metric RMSE "$shots/a.png" "$shots/b.png" null: 2>&1 | sed 's/.*(\(.*\))/\1/'
}
park() { xdotool mousemove $((wx + 300)) $((wy + 250)); sleep 0.6; }
shot() { import -window root "$shots/$1.png"; }
above() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a > b) }'; }

# The site at row 1, column 3: x 160..208, y 488..536 of the window.
site_x=160; site_y=488
sleep 1.5
park; shot start
click() { xdotool mousemove $((wx + $1)) $((wy + $2)) click 1; }

click $((site_x + 24)) $((site_y + 24))
park; shot selected
before=$(mean "$shots/start.png" $site_x $site_y 48 48)
after=$(mean "$shots/selected.png" $site_x $site_y 48 48)
echo "site brightness: $before before, $after selected"
above "$before" "$(awk -v a="$after" 'BEGIN { print a * 1.08 }')" || fail "the selected site did not darken"

click $((623 + 24)) $((30 + 32))   # the first gun button, $200
park; shot built
gun_change=$(diff_rms "$shots/start.png" "$shots/built.png" $site_x $site_y 48 48)
sel_change=$(diff_rms "$shots/selected.png" "$shots/built.png" $site_x $site_y 48 48)
hud_change=$(diff_rms "$shots/start.png" "$shots/built.png" 150 2 120 20)
echo "site change: $gun_change from empty, $sel_change from selected; money text change: $hud_change"
above "$gun_change" 0.05 || fail "the site does not show a gun"
above "$sel_change" 0.05 || fail "the site still looks selected"
above "$hud_change" 0.01 || fail "the HUD's money did not change"
# The rest of the HUD (score, round, lifes) stays as it was.
rest=$(diff_rms "$shots/start.png" "$shots/built.png" 280 2 150 20)
echo "round/lifes text change: $rest"
above 0.01 "$rest" || fail "round or lifes changed"

# Another site selected, then closed with the right mouse button.
other_x=400; other_y=536   # row 2, column 8
click $((other_x + 24)) $((other_y + 24))
park; shot other
xdotool mousemove $((wx + 300)) $((wy + 250)) mousedown 3 sleep 0.3 mouseup 3
park; shot closed
plain=$(mean "$shots/start.png" $other_x $other_y 48 48)
dark=$(mean "$shots/other.png" $other_x $other_y 48 48)
light=$(mean "$shots/closed.png" $other_x $other_y 48 48)
echo "second site: $plain plain, $dark selected, $light after the right button"
above "$plain" "$(awk -v a="$dark" 'BEGIN { print a * 1.08 }')" || fail "the second site did not darken"
above "$light" "$(awk -v a="$dark" 'BEGIN { print a * 1.08 }')" || fail "the right mouse button did not close the panel"

# The "sound" box switches its tick.
click 622 566
park; shot sound
box=$(diff_rms "$shots/closed.png" "$shots/sound.png" 616 560 12 12)
echo "sound box change: $box"
above "$box" 0.02 || fail "the sound box did not change"

xdotool key --window "$wid" Escape 2>/dev/null || xdotool key Escape
wait_for_exit "$pid" 50 || fail "Escape did not end the program"
wait "$pid"; code=$?
pid=
[ "$code" = 0 ] || { cat "$shots/stderr.txt"; fail "exit code $code after Escape"; }
echo "ok: site darkened, gun built, HUD changed, right button closed the panel, sound box switched, Escape gave exit code 0"
