#!/usr/bin/env bash
# Removes what `make install` installed: every file listed in the build's
# install_manifest.txt (written by `cmake --install`, DESTDIR included), then
# the game's own folders under lib/brovask once they are empty. Folders that
# other programs share (bin, share/applications, the icon theme) stay.
#   tools/uninstall.sh BUILD_DIR
set -euo pipefail
manifest="${1:-build}/install_manifest.txt"
if [ ! -f "$manifest" ]; then
  echo "uninstall: $manifest not found: nothing was installed from this build" >&2
  exit 1
fi
removed=0
game_dir=
while IFS= read -r file || [ -n "$file" ]; do
  [ -n "$file" ] || continue
  if [ -e "$file" ] || [ -L "$file" ]; then
    rm -f -- "$file"
    removed=$((removed + 1))
    case "$file" in
      */lib/brovask/*) game_dir="${file%%/lib/brovask/*}/lib/brovask" ;;
    esac
  fi
done < "$manifest"
if [ -n "$game_dir" ]; then
  rmdir -- "$game_dir/data" 2>/dev/null || true
  rmdir -- "$game_dir" 2>/dev/null || true
fi
echo "uninstall: removed $removed files listed in $manifest"
