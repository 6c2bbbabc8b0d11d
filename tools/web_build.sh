#!/usr/bin/env bash
# make web: builds WEB_BUILD/Brovask/ and the zip with Debian's emscripten,
# from the libraries tools/web_deps.sh builds and the data files of the Linux
# build HOST_BUILD. usage: tools/web_build.sh WEB_BUILD HOST_BUILD
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
web=$(realpath -m "$1")
host=$(realpath -m "$2")
WEB_BUILD=$web source "$here/tools/web_env.sh"
JOBS=${JOBS:-2} bash "$here/tools/web_deps.sh" "$web/deps"
emcmake cmake -S "$here" -B "$web/cmake" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
  -DBROVASK_WEB_PREFIX="$web/deps" -DBROVASK_HOST_BUILD="$host" -DBROVASK_PACKAGE_ROOT="$web"
cmake --build "$web/cmake" -j "${JOBS:-2}"
