#!/usr/bin/env bash
# brovask.exe under wine, in "Jeux vidéo ゲーム\", started from another folder: one window "Brovask"
# of 800 x 600 whose first frame equals the Linux build's pixel for pixel
# (SDL's software renderer on both); a click selects a build site and buying
# a gun changes "Money:"; the music reaches the waveOut device sample for
# sample as xmrender renders it, and a click on "sound" silences it within
# 0.3 s; Escape ends the game with exit code 0.
#   game_test.sh HOST_BUILD PACKAGE   (in an X display, see run.sh)
. "$(dirname "$0")/scenario_lib.sh" "$@"
export SDL_RENDER_DRIVER=software HALVEX_NO_MESSAGEBOX=1

# The Linux build's first frame.
(cd / && SDL_AUDIODRIVER=dummy exec "$host/brovask" 2>"$work/linux.err") &
pid=$!
wid=$(find_window_titled Brovask 200)
[ -n "$wid" ] || fail "the Linux build opened no window"
sleep 2
import -window "$wid" "$work/linux.png"
xdotool key --window "$wid" Escape 2>/dev/null || true  # whether it ends is checked next
wait_for_exit "$pid" 100 || fail "the Linux build did not end"
pid=

# wine's waveOut output goes to ALSA's file plugin.
cat >"$work/alsa.conf" <<CONF
</usr/share/alsa/alsa.conf>
pcm.!default { type file; slave.pcm "null"; file "$work/capture.raw"; format "raw" }
CONF
game=$(unpack)
(cd / && ALSA_CONFIG_PATH="$work/alsa.conf" exec wine "$game/brovask.exe" 2>"$work/wine.err") &
pid=$!
wid=$(find_window_titled Brovask 300)
[ -n "$wid" ] || { cat "$work/wine.err"; fail "no window named Brovask under wine"; }
eval "$(xdotool getwindowgeometry --shell "$wid")"
[ "$WIDTH" = 800 ] && [ "$HEIGHT" = 600 ] || fail "the window is ${WIDTH}x$HEIGHT, not 800x600"
[ "$(xdotool search --name '^Brovask$' | wc -l)" = 1 ] || fail "more than one window named Brovask"
wx=$X wy=$Y
sleep 2
import -window "$wid" "$work/start.png"
differing=$(compare -metric AE "$work/linux.png" "$work/start.png" null: 2>&1 || true)
echo "first frame: $differing pixels differ from the Linux build's"
[ "$differing" = 0 ] || fail "the first frame differs from the Linux build's"

mean() { convert "$1" -crop "$4x$5+$2+$3" +repage -colorspace Gray -format '%[fx:mean]' info:; }
click() { xdotool mousemove $((wx + $1)) $((wy + $2)) click 1; sleep 0.3; xdotool mousemove $((wx + 300)) $((wy + 250)); sleep 0.5; }
click 184 512   # the site at row 1, column 3 (x 160..208, y 488..536)
import -window "$wid" "$work/selected.png"
before=$(mean "$work/start.png" 160 488 48 48) after=$(mean "$work/selected.png" 160 488 48 48)
echo "site brightness: $before, $after selected"
awk -v a="$before" -v b="$after" 'BEGIN { exit !(a > b * 1.08) }' || fail "the clicked site did not darken"
click 647 62   # the first gun button, 200
import -window "$wid" "$work/built.png"
convert "$work/start.png" -crop 120x20+150+2 +repage "$work/money_start.png"
convert "$work/built.png" -crop 120x20+150+2 +repage "$work/money_built.png"
money=$(compare -metric AE "$work/money_start.png" "$work/money_built.png" null: 2>&1 || true)
echo "\"Money:\" text: $money pixels changed"
[ "$money" -gt 20 ] 2>/dev/null || fail "buying a gun did not change \"Money:\""

# The "sound" box; the capture's size is polled from the click on.
xdotool mousemove $((wx + 622)) $((wy + 566))
sleep 0.3
echo "0 $(stat -c %s "$work/capture.raw" 2>/dev/null || echo 0)" >"$work/times.txt"
start=$(date +%s%N)
xdotool click 1
for _ in $(seq 150); do
  echo "$((($(date +%s%N) - start) / 1000000)) $(stat -c %s "$work/capture.raw")" >>"$work/times.txt"
  sleep 0.01
done

xdotool key --window "$wid" Escape 2>/dev/null || true  # whether it ends is checked next
wait_for_exit "$pid" 100 || fail "Escape did not end the game"
code=0 && wait "$pid" || code=$?
pid=
[ "$code" = 0 ] || { cat "$work/wine.err"; fail "exit code $code after Escape"; }
echo "Escape: exit code 0"

[ -s "$work/capture.raw" ] || fail "nothing reached the waveOut device"
"$host/xmrender" --volume 20 "$package/data/sound.pak" "$work/reference.wav" >/dev/null || fail "xmrender failed"
"$host/tests/windows/capture_check" "$work/capture.raw" "$work/reference.wav" "$work/times.txt"
