#!/usr/bin/env bash
# Installs the Debian packages that Brovask needs for one purpose:
#   tools/deps.sh play     building and playing the game (`make run`, `make build`)
#   tools/deps.sh test     that, and running the tests (`make test`)
#   tools/deps.sh deb      that of play, and building the Debian package (`make deb`)
#   tools/deps.sh windows  that of test, the Windows cross-build and its tests
#                          under wine, and a deb-src entry for apt-get source
#   tools/deps.sh fuzz     that of test, and clang with libFuzzer (`make fuzz`)
#   tools/deps.sh web      that of play, the browser build (emscripten, node) and
#                          its tests (Chromium), and the deb-src entry
#   tools/deps.sh reproducible  that of windows, and diffoscope to show how two
#                          builds differ (`make check-reproducible`)
# As root it runs apt-get itself; otherwise it prints the one command to run
# and fails, so that `make` stops before a build that cannot work.
set -euo pipefail

PLAY=(g++ make cmake pkg-config libsdl2-dev libpng-dev libfreetype-dev fonts-dejavu-core)
# dpkg-shlibdeps (dpkg-dev) computes the package's dependencies; CPack finds
# the programs to ask it about with `file`.
DEB=(dpkg-dev file)
# sox and python3 read xmrender's streamed WAV in its command-line test.
# devscripts: hardening-check, for the package's test.
TEST=(
  libgtest-dev libgmock-dev sox python3
  xvfb xauth xdotool x11-apps x11-utils xfonts-base openbox imagemagick desktop-file-utils
  "${DEB[@]}" lintian devscripts appstream man-db groff-base
)
# dpkg-dev unpacks Debian's SDL2 and libpng sources with their patches;
# googletest brings GoogleTest's sources for the cross-built tests.
WEB_ONLY=(emscripten nodejs python3 python3-websockets chromium zip dpkg-dev xvfb xauth xdotool x11-utils imagemagick)
WINDOWS_ONLY=(mingw-w64 g++-mingw-w64-x86-64 libz-mingw-w64-dev wine wine64 zip unzip dpkg-dev googletest)
# libFuzzer and the sanitizers' runtimes for clang.
FUZZ_ONLY=(clang libclang-rt-dev)

# apt-get source needs a deb-src entry; tools/deb_src.sh adds one beside each
# deb entry, in a file of our own that apt has read before it is kept.
DEB_SRC="$(dirname "$0")/deb_src.sh"
DEB_SRC_FILE=/etc/apt/sources.list.d/brovask-deb-src.sources

case "${1:-play}" in
  play) PACKAGES=("${PLAY[@]}") ;;
  test) PACKAGES=("${PLAY[@]}" "${TEST[@]}") ;;
  deb) PACKAGES=("${PLAY[@]}" "${DEB[@]}") ;;
  windows) PACKAGES=("${PLAY[@]}" "${TEST[@]}" "${WINDOWS_ONLY[@]}") ;;
  fuzz) PACKAGES=("${PLAY[@]}" "${TEST[@]}" "${FUZZ_ONLY[@]}") ;;
  web) PACKAGES=("${PLAY[@]}" "${WEB_ONLY[@]}") ;;
  reproducible) PACKAGES=("${PLAY[@]}" "${TEST[@]}" "${WINDOWS_ONLY[@]}" diffoscope-minimal) ;;
  *) echo "usage: tools/deps.sh [play|test|deb|windows|fuzz|web|reproducible]" >&2; exit 2 ;;
esac

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

need_src=no
case "${1:-play}" in windows | web | reproducible) ! bash "$DEB_SRC" check && need_src=yes ;; esac
[ ${#missing[@]} -eq 0 ] && [ "$need_src" = no ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  src_added=no
  if [ "$need_src" = yes ]; then
    echo "Adding deb-src entries ($DEB_SRC_FILE)"
    bash "$DEB_SRC" add && src_added=yes
  fi
  # An update that fails with our entries is tried again without them.
  if ! apt-get -o DPkg::Lock::Timeout=600 update; then
    [ "$src_added" = yes ] || exit 1
    rm -f "$DEB_SRC_FILE"
    src_added=no
    echo "apt-get update failed with the deb-src entries of $DEB_SRC_FILE: removed them" >&2
    apt-get -o DPkg::Lock::Timeout=600 update
  fi
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing missing packages: ${missing[*]}"
    apt-get -o DPkg::Lock::Timeout=600 install -y --no-install-recommends "${missing[@]}"
  fi
  if [ "$need_src" = yes ] && [ "$src_added" = no ]; then
    echo "apt-get source needs a deb-src entry in /etc/apt/sources.list(.d); add one and run apt-get update" >&2
    exit 1
  fi
elif [ ${#missing[@]} -eq 0 ]; then
  echo "apt-get source needs a deb-src entry in /etc/apt/sources.list(.d); add one and run apt-get update" >&2
  exit 1
else
  echo "Brovask needs these Debian packages. Install them with:" >&2
  echo "  sudo apt-get install ${missing[*]}" >&2
  exit 1
fi
