#!/usr/bin/env bash
# Installs the Debian packages that Brovask needs for one purpose:
#   tools/deps.sh play    building and playing the game (`make run`, `make build`)
#   tools/deps.sh test    that, and running the tests (`make test`)
#   tools/deps.sh deb     that of play, and building the Debian package (`make deb`)
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

case "${1:-play}" in
  play) PACKAGES=("${PLAY[@]}") ;;
  test) PACKAGES=("${PLAY[@]}" "${TEST[@]}") ;;
  deb) PACKAGES=("${PLAY[@]}" "${DEB[@]}") ;;
  *) echo "usage: tools/deps.sh [play|test|deb]" >&2; exit 2 ;;
esac

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
  echo "Installing missing packages: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update
  apt-get install -y --no-install-recommends "${missing[@]}"
else
  echo "Brovask needs these Debian packages. Install them with:" >&2
  echo "  sudo apt-get install ${missing[*]}" >&2
  exit 1
fi
