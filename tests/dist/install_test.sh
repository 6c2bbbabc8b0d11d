#!/usr/bin/env bash
# `make install` and `make uninstall` (tools/install.sh, tools/uninstall.sh)
# with scratch folders only: a staged install (DESTDIR) done twice, then a
# copy of it at its PREFIX standing for a live installation. Argument: the
# build folder, whose own install record is put back afterwards.
#  - the second install records what the first did, and where (DESTDIR and
#    PREFIX beside the manifest);
#  - an uninstall without the staged DESTDIR is refused, naming both, and
#    removes nothing; so is an install into another DESTDIR;
#  - the uninstall with the staged DESTDIR leaves neither a file nor a folder
#    behind, and the live copy untouched.
set -u
build="$(cd "$1" && pwd)"
src="$(cd "$(dirname "$0")/../.." && pwd)"
for f in brovask data/halvex.dll data/data.pak icons/256.png xmrender; do
  if [ ! -e "$build/$f" ]; then echo "SKIP: $build/$f is not built"; exit 77; fi
done
work=$(mktemp -d)
saved=()
for f in install_manifest.txt install_destination.txt; do
  [ -f "$build/$f" ] && mv "$build/$f" "$work/$f.saved" && saved+=("$f")
done
cleanup() {
  rm -f "$build/install_manifest.txt" "$build/install_destination.txt"
  for f in "${saved[@]}"; do mv "$work/$f.saved" "$build/$f"; done
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }
stage="$work/stage" live="$work/live"
tree() { (cd "$1" 2>/dev/null && find . -mindepth 1 | sort); }

DESTDIR="$stage" bash "$src/tools/install.sh" "$build" "$live" >"$work/log" 2>&1 || { cat "$work/log"; fail "first install"; }
first=$(wc -l <"$build/install_manifest.txt")
DESTDIR="$stage" bash "$src/tools/install.sh" "$build" "$live" >"$work/log" 2>&1 || { cat "$work/log"; fail "second install"; }
second=$(wc -l <"$build/install_manifest.txt")
[ "$second" = "$first" ] || fail "the manifest lists $first paths after one install, $second after two"
[ "$(cat "$build/install_destination.txt")" = "DESTDIR=$stage"$'\n'"PREFIX=$live" ] ||
  fail "the record of the install reads: $(cat "$build/install_destination.txt")"
echo "ok: installed twice, $second paths listed both times, DESTDIR and PREFIX recorded"

mkdir -p "$live" && cp -a "$stage$live/." "$live/"
before=$(tree "$live") staged=$(tree "$stage")
[ -x "$live/games/brovask" ] || fail "no live launcher to protect"
status=0
env -u DESTDIR bash "$src/tools/uninstall.sh" "$build" >"$work/log" 2>&1 || status=$?
[ "$status" = 1 ] || fail "an uninstall without the staged DESTDIR gave exit code $status"
grep -qF "DESTDIR \"$stage\"" "$work/log" && grep -qF 'not DESTDIR ""' "$work/log" ||
  fail "the refusal does not name both DESTDIRs: $(cat "$work/log")"
status=0
DESTDIR="$work/other" bash "$src/tools/install.sh" "$build" "$live" >"$work/log" 2>&1 || status=$?
[ "$status" != 0 ] && [ ! -e "$work/other" ] || fail "an install into another DESTDIR was not refused (exit code $status)"
[ "$(tree "$live")" = "$before" ] && [ "$(tree "$stage")" = "$staged" ] ||
  fail "a refused uninstall or install changed the files"
echo "ok: an uninstall without the staged DESTDIR and an install into another were refused; nothing changed"

DESTDIR="$stage/" bash "$src/tools/uninstall.sh" "$build" >"$work/log" 2>&1 || { cat "$work/log"; fail "uninstall"; }
[ -z "$(tree "$stage")" ] || fail "left behind after uninstall: $(tree "$stage" | head -20)"
[ "$(tree "$live")" = "$before" ] || fail "the uninstall of the staged install changed the live copy"
[ ! -e "$build/install_manifest.txt" ] && [ ! -e "$build/install_destination.txt" ] ||
  fail "the record of a removed install is kept"
echo "ok: $(cat "$work/log"); nothing left, the live copy untouched"
