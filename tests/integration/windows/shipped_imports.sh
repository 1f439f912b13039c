#!/usr/bin/env bash
# Every image we ship must start on a stock Windows 10/11 with nothing beside
# it: each DLL it imports has to be one that every such system carries.
# Wine ships many more (zlib1.dll among them), so a missing DLL never shows
# in the suites that run under Wine; the import tables are read here instead.
#
# usage: shipped_imports.sh OBJDUMP IMAGE...
set -euo pipefail

if [ $# -lt 2 ]; then
  echo "usage: $0 OBJDUMP IMAGE..." >&2
  exit 2
fi
objdump=$1
shift

# System DLLs present in System32 of every Windows 10 and 11 installation
# (lower case). The API sets (api-ms-win-*, ext-ms-win-*) are resolved by the
# loader itself and are accepted by prefix below.
allowed=(
  kernel32 kernelbase ntdll user32 gdi32 advapi32 shell32 ole32 oleaut32
  comctl32 comdlg32 shlwapi version msvcrt ucrtbase ws2_32 iphlpapi
  uxtheme dwmapi winmm windowscodecs crypt32 bcrypt ncrypt secur32 rpcrt4
  imm32 userenv shcore setupapi winhttp wininet psapi powrprof wtsapi32
  netapi32 mpr propsys d2d1 dwrite dxgi d3d11
)

is_allowed() {
  local name=${1,,}
  name=${name%.dll}
  case $name in
    api-ms-win-* | ext-ms-win-*) return 0 ;;
  esac
  local a
  for a in "${allowed[@]}"; do
    [ "$name" = "$a" ] && return 0
  done
  return 1
}

failed=0
for image in "$@"; do
  if [ ! -f "$image" ]; then
    echo "FAIL $image: no such file" >&2
    failed=1
    continue
  fi
  if ! dump=$("$objdump" -p "$image" 2>&1); then
    echo "FAIL $image: $objdump could not read it:" >&2
    echo "$dump" >&2
    failed=1
    continue
  fi
  mapfile -t dlls < <(printf '%s\n' "$dump" | sed -n 's/^[[:space:]]*DLL Name:[[:space:]]*//p' | tr -d '\r')
  # Every image of ours imports from kernel32; an empty list means the dump
  # was not understood, which must not pass as "nothing wrong".
  have_kernel32=0
  for dll in "${dlls[@]}"; do
    [ "${dll,,}" = kernel32.dll ] && have_kernel32=1
  done
  if [ "$have_kernel32" -eq 0 ]; then
    echo "FAIL $image: no import of KERNEL32.dll found in the dump; cannot check it" >&2
    failed=1
    continue
  fi
  # objdump does not list delay-loaded DLLs by name; our images have none,
  # and one that gains them must be checked some other way first.
  if printf '%s\n' "$dump" | grep -Eq '^Entry d [0-9a-fA-F]+ 0*[1-9a-fA-F][0-9a-fA-F]* Delay Import Directory'; then
    echo "FAIL $image: it has a delay import table, which this test cannot read" >&2
    failed=1
    continue
  fi
  bad=()
  for dll in "${dlls[@]}"; do
    is_allowed "$dll" || bad+=("$dll")
  done
  if [ ${#bad[@]} -ne 0 ]; then
    echo "FAIL $image imports DLLs a stock Windows does not have: ${bad[*]}" >&2
    failed=1
  else
    echo "ok   $image: ${dlls[*]}"
  fi
done
exit $failed
