# Sourced by the browser build's scripts: Debian's emscripten with a cache
# the user can write (the packaged one is root's and read-only: the
# ready-built system libraries are linked in, the rest is the user's own),
# and node's own modules for emscripten's optimizer.
web_cache=${EM_CACHE:-$(realpath -m "${WEB_BUILD:-build-web}")/emcache}
if [ ! -e "$web_cache/sysroot" ]; then
  mkdir -p "$web_cache"
  ln -s /usr/share/emscripten/cache/sysroot "$web_cache/sysroot"
  cp -p /usr/share/emscripten/cache/sysroot_install.stamp "$web_cache/" 2>/dev/null || true
fi
export EM_CACHE=$web_cache
export NODE_PATH=${NODE_PATH:+$NODE_PATH:}/usr/share/nodejs
