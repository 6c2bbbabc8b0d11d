#!/bin/sh
# tools/pack_zip.sh ROOT FOLDER ZIP EPOCH: packs ROOT/FOLDER into ZIP so that
# the same files give the same bytes, whoever packs them, when and where:
# entries in name order, each dated EPOCH (in UTC: zip keeps local times),
# folders and programs 755 and the rest 644 whatever the umask, and no owner
# ids or extra time fields (zip -X).
set -eu
cd "$1"
find "$2" -type d -exec chmod 755 {} +
find "$2" -type f -exec chmod 644 {} +
find "$2" -type f \( -name '*.exe' -o -name '*.dll' \) -exec chmod 755 {} +
find "$2" -exec touch -h -d "@$4" {} +
rm -f "$3"
find "$2" | LC_ALL=C sort | TZ=UTC0 zip -X -q -@ "$3"
