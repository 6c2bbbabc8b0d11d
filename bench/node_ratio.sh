#!/usr/bin/env bash
# xmrender built for node (`make web`) beside the native one (`make bench`).
#   bench/node_ratio.sh BUILD WEB_BUILD
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
bash "$here/beside_native.sh" "$1" "under node" node "$(realpath "$2")/cmake/xmrender.js"
