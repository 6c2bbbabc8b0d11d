#!/usr/bin/env bash
# Installs the Debian packages that Brovask needs for one purpose:
#   tools/deps.sh play     building and playing the game (`make run`, `make build`)
#   tools/deps.sh test     that, and running the tests (`make test`)
#   tools/deps.sh deb      that of play, and building the Debian package (`make deb`)
#   tools/deps.sh windows  that of test, the Windows cross-build and its tests
#                          under wine, and a deb-src entry for apt-get source
#   tools/deps.sh web      that of play, the browser build (emscripten, node) and
#                          its tests (Chromium), and the deb-src entry
# As root it runs apt-get itself; otherwise it prints the one command to run
# and fails, so that `make` stops before a build that cannot work.
set -euo pipefail

PLAY=(g++ make cmake pkg-config libsdl2-dev libpng-dev libfreetype-dev fonts-dejavu-core)
# dpkg-shlibdeps (dpkg-dev) computes the package's dependencies; CPack finds
# the programs to ask it about with `file`.
DEB=(dpkg-dev file)
TEST=(
  libgtest-dev libgmock-dev
  xvfb xauth xdotool x11-apps x11-utils xfonts-base openbox imagemagick desktop-file-utils
  "${DEB[@]}" lintian appstream man-db groff-base
)
# dpkg-dev unpacks Debian's SDL2 and libpng sources with their patches;
# googletest brings GoogleTest's sources for the cross-built tests.
WEB_ONLY=(emscripten nodejs python3 python3-websockets chromium zip dpkg-dev xvfb xauth xdotool x11-utils imagemagick)
WINDOWS_ONLY=(mingw-w64 g++-mingw-w64-x86-64 libz-mingw-w64-dev wine wine64 zip unzip dpkg-dev googletest)

# apt-get source needs a deb-src entry; add one beside each deb entry that
# has none, in a file of our own.
have_deb_src() {
  grep -rqsE '^(deb-src|Types:.*deb-src)' /etc/apt/sources.list /etc/apt/sources.list.d/
}
add_deb_src() {
  local out=/etc/apt/sources.list.d/brovask-deb-src.sources
  {
    for f in /etc/apt/sources.list.d/*.sources; do
      [ -f "$f" ] && [ "$f" != "$out" ] && grep -q 'debian' "$f" &&
        sed -e 's/^Types:.*/Types: deb-src/' "$f" && echo
    done
    if [ -f /etc/apt/sources.list ]; then
      grep -E '^deb ' /etc/apt/sources.list | while read -r _ rest; do
        set -- $rest
        echo "Types: deb-src"; echo "URIs: $1"; echo "Suites: $2"; shift 2
        echo "Components: $*"; echo
      done
    fi
  } >"$out"
}

case "${1:-play}" in
  play) PACKAGES=("${PLAY[@]}") ;;
  test) PACKAGES=("${PLAY[@]}" "${TEST[@]}") ;;
  deb) PACKAGES=("${PLAY[@]}" "${DEB[@]}") ;;
  windows) PACKAGES=("${PLAY[@]}" "${TEST[@]}" "${WINDOWS_ONLY[@]}") ;;
  web) PACKAGES=("${PLAY[@]}" "${WEB_ONLY[@]}") ;;
  *) echo "usage: tools/deps.sh [play|test|deb|windows|web]" >&2; exit 2 ;;
esac

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

need_src=no
case "${1:-play}" in windows | web) ! have_deb_src && need_src=yes ;; esac
[ ${#missing[@]} -eq 0 ] && [ "$need_src" = no ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  if [ "$need_src" = yes ]; then
    echo "Adding deb-src entries (/etc/apt/sources.list.d/brovask-deb-src.sources)"
    add_deb_src
  fi
  apt-get -o DPkg::Lock::Timeout=600 update
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing missing packages: ${missing[*]}"
    apt-get -o DPkg::Lock::Timeout=600 install -y --no-install-recommends "${missing[@]}"
  fi
elif [ ${#missing[@]} -eq 0 ]; then
  echo "apt-get source needs a deb-src entry in /etc/apt/sources.list(.d); add one and run apt-get update" >&2
  exit 1
else
  echo "Brovask needs these Debian packages. Install them with:" >&2
  echo "  sudo apt-get install ${missing[*]}" >&2
  exit 1
fi
