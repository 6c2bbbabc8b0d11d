# Helpers for the real-window test scripts (sourced, not run).

# Prints the id of a top-level window titled exactly $1, waiting up to $2
# tenths of a second; prints nothing if none appears.
find_window_titled() {
  local title="$1" tries="${2:-100}" w
  for _ in $(seq "$tries"); do
    for w in $(xdotool search --classname '.*' 2>/dev/null); do
      if [ "$(xdotool getwindowname "$w" 2>/dev/null)" = "$title" ]; then echo "$w"; return; fi
    done
    sleep 0.1
  done
}

# Clicks the OK button of the message box $1 (centred, 28 pixels above the
# bottom of the box).
click_box_ok() {
  local WIDTH HEIGHT X Y SCREEN WINDOW
  eval "$(xdotool getwindowgeometry --shell "$1")"
  sleep 0.3
  xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT - 28)) click 1
}

# Waits up to $2 tenths of a second for process $1 to end.
wait_for_exit() {
  for _ in $(seq "${2:-50}"); do kill -0 "$1" 2>/dev/null || return 0; sleep 0.1; done
  return 1
}
