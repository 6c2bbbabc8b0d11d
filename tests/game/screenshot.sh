#!/usr/bin/env bash
# Plays a short game under Xvfb and saves a screenshot of it in progress:
# five guns and two money buildings built, tanks on the way, a gun selected.
# Usage: tests/game/screenshot.sh [BUILD_DIR] [OUT.png]   (default build, docs/screenshot.png)
set -eu
here=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$here/build}" && pwd)
out=$(realpath -m "${2:-$here/docs/screenshot.png}")
if [ -z "${INSIDE_XVFB:-}" ]; then
  INSIDE_XVFB=1 exec xvfb-run -a -s "-screen 0 800x600x24 -nolisten tcp" bash "$0" "$build" "$out"
fi
cd "$build"
SDL_AUDIODRIVER=dummy ./brovask &
pid=$!
trap 'kill $pid 2>/dev/null || true' EXIT
wid=$(xdotool search --sync --name '^Brovask$' | head -1)
eval "$(xdotool getwindowgeometry --shell "$wid")"
click() { xdotool mousemove $((X + $1)) $((Y + $2)) click 1; sleep 0.3; }
site() { click $((16 + 48 * $2 + 24)) $((440 + 48 * $1 + 24)); }
gun1=(647 62); building1=(647 162); building2=(704 162)
sleep 1
for column in 1 3 5 7 10; do site 0 $column; click "${gun1[@]}"; done
site 1 4; click "${building2[@]}"
site 2 8; click "${building1[@]}"
# Let the tanks come and the guns fire, then show a gun's panel.
sleep 40
site 0 5
xdotool mousemove $((X + 780)) $((Y + 590))
sleep 0.5
import -window "$wid" "$out"
xdotool key Escape
wait $pid
echo "saved $out"
