#!/usr/bin/env bash
# tools/deb_src.sh against temporary apt configurations, never the machine's:
# what `add` writes carries each deb entry's URI, suite, components and
# options, and apt reads it; with no deb entry, or sources apt cannot read,
# no file stays and the script names the problem (exit 1).
set -euo pipefail
tool="$(dirname "$0")/../../tools/deb_src.sh" work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
out=sources.list.d/brovask-deb-src.sources key=/usr/share/keyrings/x.gpg deb=http://deb.debian.org/debian
# name | sources.list | other.sources | exit code | lines of the written file, ";" between
for c in "options|deb [arch=amd64 signed-by=$key] http://x.example/debian bookworm main contrib # c||0|URIs: http://x.example/debian;Suites: bookworm;Components: main contrib;Architectures: amd64;Signed-By: $key" \
  "plain|deb $deb bookworm main||0|URIs: $deb;Components: main" \
  "lists|deb [ arch=amd64,i386 lang-=de trusted=yes ] http://y.example/ ./||0|Architectures: amd64 i386;Languages-Remove: de;Trusted: yes;Suites: ./" \
  "deb822||Types: deb\nURIs: $deb\nSuites: bookworm bookworm-updates\nComponents: main\nSigned-By: $key|0|Types: deb-src;Suites: bookworm bookworm-updates;Signed-By: $key" \
  "unknown option|deb [foo=bar] http://z.example/debian bookworm main\ndeb $deb bookworm main||0|URIs: $deb" \
  "none|# deb $deb bookworm main||1|" "unreadable|deb $deb bookworm main|URIs: http://a.example\nTypes: deb|1|"; do
  IFS='|' read -r name list sources code expected <<<"$c"
  etc="$work/$name" && mkdir -p "$etc/sources.list.d" "$work/lists/partial"
  printf '%b\n' "$list" >"$etc/sources.list"
  [ -z "$sources" ] || printf '%b\n' "$sources" >"$etc/sources.list.d/other.sources"
  ! bash "$tool" check "$etc" || fail "$name: a deb-src entry is found before any is added"
  status=0 && bash "$tool" add "$etc" >/dev/null 2>"$work/err" || status=$?
  [ "$status" = "$code" ] || fail "$name: exit code $status, expected $code: $(cat "$work/err")"
  if [ "$code" = 1 ]; then
    [ ! -e "$etc/$out" ] && grep -q "^deb-src: .*$etc" "$work/err" || fail "$name: $out is kept, or no message names it"
    echo "ok: $name: $(tail -1 "$work/err")" && continue
  fi
  IFS=';' read -ra lines <<<"$expected"
  for l in "${lines[@]}"; do grep -qxF "$l" "$etc/$out" || fail "$name: no \"$l\" in $(cat "$etc/$out")"; done
  ! grep -qE '\[|z\.example' "$etc/$out" || fail "$name: a one-line option or entry is left in: $(cat "$etc/$out")"
  apt-get -o Dir::Etc::sourcelist="$etc/sources.list" -o Dir::Etc::sourceparts="$etc/sources.list.d" \
    -o Dir::State::Lists="$work/lists" indextargets --no-release-info 'Target-Of: deb-src' >"$work/targets" 2>&1 &&
    grep -q "^Sourcesentry: $etc/$out" "$work/targets" || fail "$name: apt reads no deb-src entry of $out: $(cat "$work/targets")"
  bash "$tool" check "$etc" || fail "$name: check finds no deb-src entry after add"
  echo "ok: $name"
done
