#!/usr/bin/env bash
# Removes what `make install` installed: every file listed in the build's
# install_manifest.txt (written by `cmake --install`), then the folders
# listed there, the ones that install created, once they are empty, deepest
# first. Folders that were there before stay. The manifest's paths do not
# include DESTDIR: install_destination.txt beside it records the DESTDIR and
# PREFIX of the install, and an uninstall under another DESTDIR is refused
# before anything is removed (it would remove another installation's files).
# Once everything is removed, the manifest and the record go too.
#   DESTDIR=... tools/uninstall.sh BUILD_DIR
set -euo pipefail
manifest="${1:-build}/install_manifest.txt"
record="${1:-build}/install_destination.txt"
if [ ! -f "$manifest" ]; then
  echo "uninstall: $manifest not found: nothing was installed from this build" >&2
  exit 1
fi
destdir="${DESTDIR:-}"
if [ -f "$record" ]; then
  recorded=$(sed -n 's/^DESTDIR=//p' "$record")
  prefix=$(sed -n 's/^PREFIX=//p' "$record")
  # /stage and /stage/ are one place.
  trimmed() { local p="$1"; while [ "${p%/}" != "$p" ]; do p="${p%/}"; done; printf '%s' "$p"; }
  if [ "$(trimmed "$recorded")" != "$(trimmed "$destdir")" ]; then
    echo "uninstall: $record: this build was installed with DESTDIR \"$recorded\" (PREFIX $prefix)," \
      "not DESTDIR \"$destdir\"; nothing removed (give the same DESTDIR as to make install)" >&2
    exit 1
  fi
fi
removed=0
folders=()
while IFS= read -r path || [ -n "$path" ]; do
  [ -n "$path" ] || continue
  path="$destdir$path"
  if [ -d "$path" ] && [ ! -L "$path" ]; then
    folders+=("$path")
  elif [ -e "$path" ] || [ -L "$path" ]; then
    rm -f -- "$path"
    removed=$((removed + 1))
  fi
done <"$manifest"
emptied=0
if [ ${#folders[@]} -gt 0 ]; then
  while IFS= read -r folder; do
    rmdir -- "$folder" 2>/dev/null && emptied=$((emptied + 1))
  done < <(printf '%s\n' "${folders[@]}" | sort -r)
fi
echo "uninstall: removed $removed files listed in $manifest and $emptied folders the install had created"
rm -f -- "$manifest" "$record"
