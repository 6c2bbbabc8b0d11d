#!/usr/bin/env bash
# Runs a command in a real X display: the current one if there is one,
# otherwise a private Xvfb server of its own (xvfb-run -a), so that window
# tests can run side by side without sharing a screen.
set -euo pipefail
if [ -n "${DISPLAY:-}" ] && [ -z "${BROVASK_FORCE_XVFB:-}" ]; then
  exec "$@"
fi
exec xvfb-run -a -s "-screen 0 ${BROVASK_XVFB_SCREEN:-1024x768x24} -nolisten tcp" "$@"
