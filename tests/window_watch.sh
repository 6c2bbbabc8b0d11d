# window_watch.sh - sourced by the real-window tests: watches the X server's
# top-level windows while a program starts.
#   watch_start FILE   starts xev on the root window, writing to FILE, and
#                      returns once xev is seen receiving events
#   watch_mapped       stops it and prints how many windows were mapped
watch_start() {
  watch_log=$1
  xev -root -event substructure -event property >"$watch_log" 2>&1 &
  watch_pid=$!
  # A property change on the root window shows that xev is listening.
  for _ in $(seq 100); do
    xprop -root -f _BROVASK_WATCH 8s -set _BROVASK_WATCH ready 2>/dev/null
    grep -q '_BROVASK_WATCH' "$watch_log" && return 0
    sleep 0.05
  done
  echo "FAIL: xev did not start (display $DISPLAY); its output:"
  cat "$watch_log"
  kill -0 "$watch_pid" 2>/dev/null && echo "(xev is still running)" || echo "(xev has ended)"
  exit 1
}
watch_mapped() {
  kill "$watch_pid" 2>/dev/null; wait "$watch_pid" 2>/dev/null; watch_pid=
  grep -c '^MapNotify' "$watch_log"
}
