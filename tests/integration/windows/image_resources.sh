#!/usr/bin/env bash
# The icon and version resources of the runtime image, and of applications
# packed from it, as Windows reads them (resource_probe under Wine: the
# version API and the icon loader, not our own parser).
#
# Environment (set by CMake): TESSERA_RUNTIME, TESSERA_PACK,
# TESSERA_RESOURCE_PROBE, TESSERA_WINE_RUN, TESSERA_RUNTIME_VERSION (A.B.C.D).
set -euo pipefail

if [ -z "${TESSERA_WINE_HOME:-}" ]; then
  echo "SKIP: needs scripts/wine-suite (a Wine prefix)"
  exit 77
fi

WORK=$(mktemp -d "$TESSERA_WINE_HOME/image-resources.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
version=$TESSERA_RUNTIME_VERSION

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

winpath() {
  local path
  path=$(realpath -m "$1")
  printf 'Z:%s' "${path//\//\\}"
}

probe() {
  "$TESSERA_WINE_RUN" "$TESSERA_RESOURCE_PROBE" "$(winpath "$1")" | tr -d '\r'
}

# expect_probe FILE LINE...: each LINE is in what the probe reads of FILE.
expect_probe() {
  local file=$1 seen line
  shift
  seen=$(probe "$file") || fail "resource_probe could not read $file"
  for line in "$@"; do
    grep -qxF -- "$line" <<<"$seen" || fail "$(basename "$file"): no line \"$line\" in:
$seen"
  done
}

# The runtime's own resources: what the Explorer shows for an application
# packed without any of its own.
runtime_lines=(
  "file-version=$version"
  "product-version=$version"
  "string:ProductName=Tessera"
  "string:ProductVersion=$version"
  "string:FileVersion=$version"
  "string:FileDescription=Tessera runtime"
  "string:OriginalFilename=tessera-runtime.exe"
  "icon-group=MAINICON"
  "icon=0x0 32"
  "icon=48x48 32"
  "icon=32x32 32"
  "icon=24x24 32"
  "icon=16x16 32"
  "icon-loads=32x32"
)
echo "== the runtime image"
expect_probe "$TESSERA_RUNTIME" "${runtime_lines[@]}"

# Packing appends the package and leaves the image alone.
echo "== an application packed without resources of its own"
app=$WORK/plain
mkdir -p "$app/web"
echo "<html></html>" >"$app/web/index.html"
printf '[App]\nID=image.resources.plain\nName=Plain\nDirName=web\n' >"$app/qel.ini"
"$TESSERA_WINE_RUN" "$TESSERA_PACK" --runtime "$(winpath "$TESSERA_RUNTIME")" \
  --app "$(winpath "$app/web")" --settings "$(winpath "$app/qel.ini")" \
  --output "$(winpath "$app/plain.exe")" >/dev/null || fail "tessera-pack could not pack"
expect_probe "$app/plain.exe" "${runtime_lines[@]}"
"$TESSERA_WINE_RUN" "$TESSERA_PACK" --list "$(winpath "$app/plain.exe")" | tr -d '\r' |
  grep -q 'web/index.html' || fail "the packed application's package is not found"

echo "PASS"
