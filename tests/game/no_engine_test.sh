#!/usr/bin/env bash
# The program started where there is no data/halvex.dll, neither in the
# current folder nor beside the program: the error on stderr, no message box
# (HALVEX_NO_MESSAGEBOX), exit code 1.
set -u
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
mkdir "$dir/bin"
cp "$1" "$dir/bin/brovask"
program="$dir/bin/brovask"
cd "$dir"
HALVEX_NO_MESSAGEBOX=1 timeout 20 "$program" 2>stderr.txt
code=$?
if [ "$code" != 1 ]; then echo "expected exit code 1, got $code"; cat stderr.txt; exit 1; fi
if ! grep -q "Error while loading Halvex Engine" stderr.txt; then echo "message missing:"; cat stderr.txt; exit 1; fi
# The full path tried: beside the program.
if ! grep -q ": $dir/bin/data/halvex.dll: " stderr.txt; then echo "library path missing:"; cat stderr.txt; exit 1; fi

# A file that is no library gives the same message.
mkdir data && echo "not a library" > data/halvex.dll
HALVEX_NO_MESSAGEBOX=1 timeout 20 "$program" 2>stderr.txt
code=$?
if [ "$code" != 1 ]; then echo "bad library: expected exit code 1, got $code"; cat stderr.txt; exit 1; fi
grep -q "Error while loading Halvex Engine" stderr.txt || { cat stderr.txt; exit 1; }
echo "ok: exit code 1 with: $(head -1 stderr.txt)"
