# Sourced by tools/windows_deps.sh and tools/web_deps.sh: fetch PKG BIN
# downloads and unpacks (with Debian's patches) source package PKG at the
# version of installed binary package BIN into "$src", and prints the
# unpacked folder. The revision used is the installed one where the archive
# still has it, else the newest available revision of the same upstream
# version (the security suite can lack the newest revision's files);
# "$prefix/versions.txt" names the revision used.
fetch() {
  local pkg=$1 bin=$2 want upstream v dir
  want=$(dpkg-query -W -f='${Version}' "$bin")
  upstream=${want%-*}
  for v in "$want" $(apt-cache showsrc "$pkg" | sed -n 's/^Version: //p' | sort -urV); do
    [ "${v%-*}" = "$upstream" ] || continue
    dir="$src/$pkg-$v"
    if [ ! -d "$dir" ]; then
      (cd "$src" && apt-get source --download-only "$pkg=$v" >&2) || continue
      dpkg-source --no-check -x "$src/${pkg}_${v#*:}.dsc" "$dir" >&2 || continue
    fi
    echo "$pkg $v (installed $bin: $want)" >>"$prefix/versions.txt"
    echo "$dir"
    return 0
  done
  echo "no source of $pkg $upstream can be downloaded (is there a deb-src entry? tools/deps.sh windows or web adds one)" >&2
  return 1
}
