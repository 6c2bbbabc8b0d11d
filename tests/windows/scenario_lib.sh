# scenario_lib.sh - what each of the game's scenarios under wine starts
# with: its two arguments (the Linux build, the Windows package), the tests'
# own wine prefix, the X helpers, a work folder removed at the end with the
# game still running there, `fail`, and a copy of the package in a folder
# whose name is not plain ASCII (`unpack`), as users' own folders often are.
# Any command that fails ends the scenario and names itself.
#   . scenario_lib.sh HOST_BUILD PACKAGE
set -euo pipefail
trap 'echo "FAIL: line $LINENO: \"$BASH_COMMAND\" exited with $?" >&2' ERR
# File names are UTF-8, as on any desktop today.
export LC_ALL=C.UTF-8
host=$1 package=$2
: "${WINEPREFIX:?set by tests/windows/run.sh: the tests never use your own wine prefix}"
. "$(dirname "${BASH_SOURCE[0]}")/../x11_lib.sh"
work=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
# Copies the package into "$work/Jeux vidéo ゲーム/Brovask" and prints that folder.
unpack() {
  local folder="$work/Jeux vidéo ゲーム"
  mkdir -p "$folder"
  cp -r "$package" "$folder/Brovask"
  echo "$folder/Brovask"
}
