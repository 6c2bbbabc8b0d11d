# scenario_lib.sh - what each of the game's scenarios under wine starts
# with: its two arguments (the Linux build, the Windows package), the tests'
# own wine prefix, the X helpers, a work folder removed at the end with the
# game still running there, and `fail`; `unpack` copies the package into a
# folder named as users' own often are, not in plain ASCII.
#   . scenario_lib.sh HOST_BUILD PACKAGE
set -euo pipefail
trap 'echo "FAIL: line $LINENO: \"$BASH_COMMAND\" exited with $?" >&2' ERR
export LC_ALL=C.UTF-8  # file names in UTF-8, as on any desktop
host=$1 package=$2
: "${WINEPREFIX:?set by tests/windows/run.sh: the tests never use your own wine prefix}"
. "$(dirname "${BASH_SOURCE[0]}")/../x11_lib.sh"
work=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
unpack() {
  mkdir -p "$work/Jeux vidéo ゲーム" && cp -r "$package" "$work/Jeux vidéo ゲーム/" && echo "$work/Jeux vidéo ゲーム/Brovask"
}
