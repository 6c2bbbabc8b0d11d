#!/usr/bin/env bash
# The package's programs and libraries are hardened: DYNAMIC_BASE,
# HIGH_ENTROPY_VA and NX_COMPAT, stack protection linked in, and no DLL
# needed beyond Windows' own and SDL2.dll (the protector's runtime inside).
set -euo pipefail
failed=0
for file in "$1"/*.exe "$1"/*.dll "$1"/data/*.dll; do
  headers=$(x86_64-w64-mingw32-objdump -p "$file") symbols=$(x86_64-w64-mingw32-nm "$file" 2>/dev/null || true)
  for flag in HIGH_ENTROPY_VA DYNAMIC_BASE NX_COMPAT; do grep -qw $flag <<<"$headers" || { echo "FAIL: $file lacks $flag"; failed=1; }; done
  grep -qw __stack_chk_fail <<<"$symbols" || { echo "FAIL: $file has no stack protection"; failed=1; }
  grep -i 'DLL Name: lib' <<<"$headers" && { echo "FAIL: $file needs a DLL of the compiler's"; failed=1; }
  echo "${file#"$1"/}: DllCharacteristics $(sed -n 's/^DllCharacteristics\t*//p' <<<"$headers")"
done
exit $failed
