#!/usr/bin/env bash
# `make install`: installs what the build folder holds into PREFIX (DESTDIR
# honoured), after bringing the installed parts up to date. Run as root
# (sudo) on a folder that a user built, the update runs as that user, so
# that root never writes into the user's build and the user's next `make
# build` works; root only copies, and hands the install manifest and the
# record of its DESTDIR and PREFIX (install_destination.txt) back.
#   tools/install.sh BUILD_DIR PREFIX
set -euo pipefail
build="$1" prefix="$2"
owner=$(stat -c %U "$build")
if [ "$(id -u)" = 0 ] && [ "$owner" != root ]; then
  runuser -u "$owner" -- cmake --build "$build" --target brovask_installable
else
  cmake --build "$build" --target brovask_installable
fi
DESTDIR="${DESTDIR:-}" cmake --install "$build" --prefix "$prefix"
if [ "$(id -u)" = 0 ] && [ "$owner" != root ]; then
  chown "$owner": "$build/install_manifest.txt" "$build/install_destination.txt"
fi
