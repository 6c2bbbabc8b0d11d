#!/usr/bin/env bash
# Runs a command in a real X display: the current one if there is one,
# otherwise a private Xvfb server of its own, so that window tests can run
# side by side without sharing a screen.
#
# The server picks a free display number itself (-displayfd) rather than
# through xvfb-run -a, whose guess two tests starting together can share: the
# second server then fails and its test talks to the first one's, with the
# wrong key. Access takes a key of this run's own (MIT-MAGIC-COOKIE). The
# server never resets: by default it does so whenever its last client goes,
# and a program connecting in that moment (a watcher started just before a
# short-lived xprop ends) is turned away.
set -euo pipefail
if [ -n "${DISPLAY:-}" ] && [ -z "${BROVASK_FORCE_XVFB:-}" ]; then
  exec "$@"
fi
dir=$(mktemp -d)
server=
cleanup() {
  [ -n "$server" ] && kill "$server" 2>/dev/null && wait "$server" 2>/dev/null
  rm -rf "$dir"
}
trap cleanup EXIT
cookie=$(mcookie)
touch "$dir/server.auth" "$dir/client.auth"
xauth -q -f "$dir/server.auth" add :0 . "$cookie"
mkfifo "$dir/number"
Xvfb -displayfd 3 -auth "$dir/server.auth" -nolisten tcp -noreset -screen 0 "${BROVASK_XVFB_SCREEN:-1024x768x24}" \
  3>"$dir/number" >"$dir/xvfb.log" 2>&1 &
server=$!
number=
read -r -t 30 number <"$dir/number" || true
if [ -z "$number" ]; then
  echo "with_display: Xvfb did not start:" >&2
  cat "$dir/xvfb.log" >&2
  exit 1
fi
xauth -q -f "$dir/client.auth" add ":$number" . "$cookie"
status=0
DISPLAY=":$number" XAUTHORITY="$dir/client.auth" "$@" || status=$?
if [ "$status" != 0 ] && ! kill -0 "$server" 2>/dev/null; then
  echo "with_display: the X server on :$number ended before the test did:" >&2
  cat "$dir/xvfb.log" >&2
fi
exit "$status"
