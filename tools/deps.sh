#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Brovask
# need. As root it runs apt-get itself; otherwise it prints the one command
# to run and fails, so that `make` stops before a build that cannot work.
set -euo pipefail

PACKAGES=(
  g++ make cmake pkg-config
  libsdl2-dev libpng-dev libfreetype-dev fonts-dejavu-core
  libgtest-dev libgmock-dev
  xvfb xauth xdotool x11-apps x11-utils xfonts-base openbox imagemagick desktop-file-utils
)

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
