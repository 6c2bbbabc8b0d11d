#!/usr/bin/env bash
# tools/deb_src.sh against temporary apt configurations (never the machine's
# own): for each configuration, what `add` writes is read by apt, and its
# deb-src entries carry the deb entry's URI, suite, components and options;
# with no deb entry, or with sources apt cannot read, no file stays and the
# script says why (exit 1).
set -euo pipefail
tool="$(cd "$(dirname "$0")/../.." && pwd)/tools/deb_src.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
out=sources.list.d/brovask-deb-src.sources
keyring=/usr/share/keyrings/x.gpg

# name | sources.list | a .sources file | exit code | lines the written file holds (";"-separated)
cases=(
  "options|deb [arch=amd64 signed-by=$keyring] http://x.example/debian bookworm main contrib # extra||0|URIs: http://x.example/debian;Suites: bookworm;Components: main contrib;Architectures: amd64;Signed-By: $keyring"
  "plain|deb http://deb.debian.org/debian bookworm main||0|URIs: http://deb.debian.org/debian;Components: main"
  "list options|deb [ arch=amd64,i386 lang-=de trusted=yes ] http://y.example/ ./||0|Architectures: amd64 i386;Languages-Remove: de;Trusted: yes;Suites: ./"
  "deb822||Types: deb\nURIs: http://deb.debian.org/debian\nSuites: bookworm bookworm-updates\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg|0|Types: deb-src;Suites: bookworm bookworm-updates;Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg"
  "unknown option|deb [foo=bar] http://z.example/debian bookworm main\ndeb http://deb.debian.org/debian bookworm main||0|URIs: http://deb.debian.org/debian"
  "none|# deb http://deb.debian.org/debian bookworm main||1|"
  "unreadable|deb http://deb.debian.org/debian bookworm main|URIs: http://deb.example.org\nTypes: deb|1|"
)
for c in "${cases[@]}"; do
  IFS='|' read -r name list sources code expected <<<"$c"
  etc="$work/$name"
  mkdir -p "$etc/sources.list.d"
  printf '%b\n' "$list" >"$etc/sources.list"
  [ -z "$sources" ] || printf '%b\n' "$sources" >"$etc/sources.list.d/other.sources"
  bash "$tool" check "$etc" && fail "$name: a deb-src entry is found before any is added"
  status=0
  bash "$tool" add "$etc" >"$work/stdout" 2>"$work/stderr" || status=$?
  [ "$status" = "$code" ] || fail "$name: exit code $status, expected $code; $(cat "$work/stderr")"
  if [ "$code" != 0 ]; then
    [ ! -e "$etc/$out" ] || fail "$name: $out is left behind"
    grep -q "deb-src: .*$etc" "$work/stderr" || fail "$name: no message naming the configuration"
    echo "ok: $name: nothing kept; $(tail -1 "$work/stderr")"
    continue
  fi
  IFS=';' read -ra lines <<<"$expected"
  for line in "${lines[@]}"; do
    grep -qxF "$line" "$etc/$out" || fail "$name: no line \"$line\" in $(cat "$etc/$out")"
  done
  grep -q '\[' "$etc/$out" && fail "$name: a one-line option is left in a field: $(cat "$etc/$out")"
  # apt reads the file and sees a deb-src index for each written entry.
  mkdir -p "$work/lists/partial"
  targets=$(apt-get -o Dir::Etc::sourcelist="$etc/sources.list" -o Dir::Etc::sourceparts="$etc/sources.list.d" \
    -o Dir::State::Lists="$work/lists" indextargets --no-release-info 'Target-Of: deb-src' 2>&1) ||
    fail "$name: apt cannot read the configuration: $targets"
  grep -q "^Sourcesentry: $etc/$out" <<<"$targets" || fail "$name: apt sees no deb-src entry from $out"
  bash "$tool" check "$etc" || fail "$name: check finds no deb-src entry after add"
  echo "ok: $name: $(grep -c '^Types: deb-src' "$etc/$out") deb-src entries, read by apt"
done
grep -q 'z.example' "$work/unknown option/$out" && fail "unknown option: the entry with an unknown option was copied"
echo "ok: every configuration gives a file apt reads, or none"
