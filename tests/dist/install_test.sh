#!/usr/bin/env bash
# make install/uninstall in scratch folders: a staged install (DESTDIR) done
# twice keeps the first one's record, with DESTDIR and PREFIX; with a copy at
# PREFIX standing for a live installation, an uninstall without the DESTDIR
# and an install into another are refused, naming both, and change nothing;
# the uninstall leaves nothing. Argument: the build folder (its record is set aside).
set -u
build="$(cd "$1" && pwd)" tools="$(cd "$(dirname "$0")/../../tools" && pwd)"
for f in brovask xmrender data/data.pak icons/256.png; do [ -e "$build/$f" ] || { echo "SKIP: no $f"; exit 77; }; done
work=$(mktemp -d) records="install_manifest.txt install_destination.txt"
for f in $records; do [ -f "$build/$f" ] && mv "$build/$f" "$work/$f.saved"; done
trap 'for f in $records; do rm -f "$build/$f"; [ -f "$work/$f.saved" ] && mv "$work/$f.saved" "$build/$f"; done; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; cat "$work/log"; exit 1; }
stage="$work/stage" live="$work/live"
tree() { (cd "$1" 2>/dev/null && find . -mindepth 1 | sort); }
install_to() { DESTDIR="$1" bash "$tools/install.sh" "$build" "$live" >"$work/log" 2>&1; }
uninstall_from() { DESTDIR="$1" bash "$tools/uninstall.sh" "$build" >"$work/log" 2>&1; }

install_to "$stage" && first=$(wc -l <"$build/install_manifest.txt") && install_to "$stage" || fail "install"
second=$(wc -l <"$build/install_manifest.txt")
[ "$second" = "$first" ] || fail "the manifest lists $first paths after one install, $second after two"
[ "$(cat "$build/install_destination.txt")" = "DESTDIR=$stage"$'\n'"PREFIX=$live" ] || fail "the record reads: $(cat "$build/install_destination.txt")"
mkdir "$live" && cp -a "$stage$live/." "$live/" && live_files=$(tree "$live") staged=$(tree "$stage")
uninstall_from ""; [ $? = 1 ] && grep -qF "with DESTDIR \"$stage\" (PREFIX $live), not DESTDIR \"\"" "$work/log" ||
  fail "an uninstall without the staged DESTDIR was not refused, naming both"
! install_to "$work/other" || fail "an install into another DESTDIR was not refused"
[ "$(tree "$live")" = "$live_files" ] && [ "$(tree "$stage")" = "$staged" ] && [ ! -e "$work/other" ] ||
  fail "a refused uninstall or install changed files"
uninstall_from "$stage/" || fail "uninstall"
[ -z "$(tree "$stage")" ] || fail "left behind after uninstall: $(tree "$stage" | head)"
[ "$(tree "$live")" = "$live_files" ] && [ ! -e "$build/install_manifest.txt" ] || fail "the live copy changed, or the record stays"
echo "ok: installed twice ($second paths), refused elsewhere, uninstalled: $(cat "$work/log")"
