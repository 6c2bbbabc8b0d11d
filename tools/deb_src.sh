#!/usr/bin/env bash
# deb-src entries for `apt-get source` (the Windows build takes SDL2 and
# libpng from Debian's sources), beside the deb entries of apt's own list:
#   tools/deb_src.sh check [APT_ETC]  exit 0 when apt has a deb-src entry
#   tools/deb_src.sh add [APT_ETC]    writes APT_ETC/sources.list.d/brovask-deb-src.sources
# APT_ETC is apt's configuration folder, /etc/apt unless given. `add` copies
# every deb822 stanza of a Debian archive (*.sources naming debian) with its
# Types set to deb-src, and turns every one-line `deb [options] URI suite
# components` entry (sources.list and *.list) into a deb-src stanza, its
# options carried over as deb822 fields; a line whose options have no deb822
# field, or a cdrom, is left out and named. apt then reads the result; a file
# that apt cannot read is removed again, and `add` says why and fails, so
# apt never stays broken by it.
set -euo pipefail
mode="${1:-}"
etc="${2:-/etc/apt}"
out="$etc/sources.list.d/brovask-deb-src.sources"

have_deb_src() {
  grep -rqsE '^[[:space:]]*(deb-src[[:space:]]|Types:.*deb-src)' "$etc/sources.list" "$etc/sources.list.d/"
}

# One-line option names and their deb822 fields (apt's sources.list(5)).
declare -A FIELD=(
  [arch]=Architectures [lang]=Languages [target]=Targets [pdiffs]=PDiffs [by-hash]=By-Hash
  [allow-insecure]=Allow-Insecure [allow-weak]=Allow-Weak
  [allow-downgrade-to-insecure]=Allow-Downgrade-To-Insecure [trusted]=Trusted
  [signed-by]=Signed-By [check-valid-until]=Check-Valid-Until [valid-until-min]=Valid-Until-Min
  [valid-until-max]=Valid-Until-Max [check-date]=Check-Date [date-max-future]=Date-Max-Future
  [inrelease-path]=InRelease-Path [snapshot]=Snapshot
)
# Options whose values are lists: comma-separated in a line, space-separated in deb822.
LISTS=" arch lang target "

# The deb-src stanza of one one-line entry (FILE:LINE given for messages);
# returns 1 (and prints why) for an entry that is left out.
one_line_stanza() {
  local where=$1 line=$2 options="" fields="" opt name value op
  line="${line%%#*}"
  line="${line#"${line%%[![:space:]]*}"}"
  line="${line#deb}"
  line="${line#"${line%%[![:space:]]*}"}"
  if [ "${line:0:1}" = "[" ]; then
    if [[ "$line" != *"]"* ]]; then
      echo "deb-src: $where: leaving out an entry whose options do not end with ]" >&2
      return 1
    fi
    options="${line:1}"
    options="${options%%]*}"
    line="${line#*]}"
  fi
  # shellcheck disable=SC2086
  set -f; set -- $line; set +f
  if [ $# -lt 2 ]; then
    echo "deb-src: $where: leaving out an entry without a URI and a suite" >&2
    return 1
  fi
  case "$1" in cdrom:*)
    echo "deb-src: $where: leaving out a cdrom entry" >&2
    return 1 ;;
  esac
  for opt in $options; do
    if [[ ! "$opt" =~ ^([a-z]+(-[a-z]+)*)([+-]?)=(.+)$ ]]; then
      echo "deb-src: $where: leaving out an entry with the option \"$opt\"" >&2
      return 1
    fi
    name=${BASH_REMATCH[1]} op=${BASH_REMATCH[3]} value=${BASH_REMATCH[4]}
    if [ -z "${FIELD[$name]:-}" ] || { [ -n "$op" ] && [[ "$LISTS" != *" $name "* ]]; }; then
      echo "deb-src: $where: leaving out an entry with the option \"$opt\" (no deb822 field for it)" >&2
      return 1
    fi
    [[ "$LISTS" == *" $name "* ]] && value="${value//,/ }"
    case "$op" in
      +) fields+="${FIELD[$name]}-Add: $value"$'\n' ;;
      -) fields+="${FIELD[$name]}-Remove: $value"$'\n' ;;
      *) fields+="${FIELD[$name]}: $value"$'\n' ;;
    esac
  done
  printf 'Types: deb-src\nURIs: %s\nSuites: %s\n' "$1" "$2"
  shift 2
  [ $# -eq 0 ] || echo "Components: $*"
  printf '%s\n' "$fields"
}

# Every deb-src stanza for the deb entries of the configuration.
stanzas() {
  local f n line
  for f in "$etc"/sources.list.d/*.sources; do
    [ -f "$f" ] && [ "$f" != "$out" ] && grep -q 'debian' "$f" || continue
    sed -e 's/^types:.*/Types: deb-src/I' "$f" && echo
  done
  for f in "$etc/sources.list" "$etc"/sources.list.d/*.list; do
    [ -f "$f" ] || continue
    n=0
    while IFS= read -r line || [ -n "$line" ]; do
      n=$((n + 1))
      [[ "$line" =~ ^[[:space:]]*deb[[:space:]] ]] || continue
      one_line_stanza "$f:$n" "$line" || true
    done <"$f"
  done
}

# apt reads the sources as it would for `apt-get update`, without touching
# its own state.
apt_reads_sources() {
  local lists status
  lists=$(mktemp -d)
  mkdir -p "$lists/partial"
  apt-get -o Dir::Etc::sourcelist="$etc/sources.list" -o Dir::Etc::sourceparts="$etc/sources.list.d" \
    -o Dir::State::Lists="$lists" indextargets >/dev/null 2>"$lists/errors" && status=0 || status=$?
  [ "$status" = 0 ] || sed 's/^/  /' "$lists/errors" >&2
  rm -rf "$lists"
  return "$status"
}

case "$mode" in
  check) have_deb_src ;;
  add)
    text=$(stanzas)
    if [ -z "$text" ]; then
      echo "deb-src: no deb entry in $etc/sources.list(.d) to add a deb-src entry beside; nothing written" >&2
      exit 1
    fi
    printf '%s\n' "$text" >"$out"
    if ! apt_reads_sources; then
      rm -f "$out"
      echo "deb-src: apt could not read the deb-src entries written to $out; the file is removed" >&2
      exit 1
    fi
    echo "deb-src: added $(grep -c '^Types: deb-src' "$out") deb-src entries in $out"
    ;;
  *) echo "usage: tools/deb_src.sh check|add [APT_ETC]" >&2; exit 2 ;;
esac
