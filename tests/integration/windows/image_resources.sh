#!/usr/bin/env bash
# The icon and version resources of the runtime image, and of applications
# packed from it with and without resources of their own, as Windows reads
# them (resource_probe under Wine: the version API, the icon loader and the
# image checksum, not our own parser); a rewritten image still starts and
# finds its package.
#
# Environment (set by CMake): what runtime/runtime_test_lib.sh needs, and
# TESSERA_RESOURCE_PROBE, TESSERA_OBJDUMP, TESSERA_RUNTIME_VERSION (A.B.C.D).
. "$(dirname "$0")/runtime/runtime_test_lib.sh"

version=$TESSERA_RUNTIME_VERSION

# The size of the image in front of a packed file's package.
image_bytes() {
  "$TESSERA_WINE_RUN" "$TESSERA_PACK" --list "$(winpath "$1")" | tr -d '\r' |
    sed -n 's/^runtime image: \([0-9]*\) bytes$/\1/p'
}

# expect_probe FILE LINE...: each LINE is in what the probe reads of FILE
# (with the checksum of its image when it carries a package).
expect_probe() {
  local file=$1 seen line size=""
  shift
  [ "$file" = "$TESSERA_RUNTIME" ] || size=$(image_bytes "$file")
  seen=$("$TESSERA_WINE_RUN" "$TESSERA_RESOURCE_PROBE" "$(winpath "$file")" $size | tr -d '\r') ||
    fail "resource_probe could not read $file"
  for line in "$@"; do
    grep -qxF -- "$line" <<<"$seen" || fail "$(basename "$file"): no line \"$line\" in:
$seen"
  done
  # Only what was asked for: no second group or stray image.
  if [ "$(grep -c '^icon=' <<<"$seen")" -ne "$(printf '%s\n' "$@" | grep -c '^icon=')" ]; then
    fail "$(basename "$file"): other icon images than expected in:
$seen"
  fi
}

# binutils must read a rewritten image too, resources and all, and find
# the same fix-ups and imports as in the image it was made from (the
# relocation table moved behind the new resources; Wine would run the image
# at its preferred base and never notice a lost table).
expect_objdump_reads() {
  local rewritten=$1 original=$2 dump before after
  dump=$("$TESSERA_OBJDUMP" -p "$rewritten" 2>&1) || fail "objdump cannot read $rewritten: $dump"
  grep -q 'The .rsrc Resource Directory section' <<<"$dump" ||
    fail "objdump finds no resource directory in $rewritten"
  before=$("$TESSERA_OBJDUMP" -p "$original" | grep -E '^Virtual Address|^[[:space:]]+reloc|DLL Name')
  after=$(grep -E '^Virtual Address|^[[:space:]]+reloc|DLL Name' <<<"$dump")
  [ -n "$before" ] || fail "objdump lists no fix-ups or imports in $original"
  [ "$before" = "$after" ] || fail "fix-ups or imports of $rewritten differ from $original"
  # objdump lists them from the sections named .rsrc and .reloc; the loader
  # goes by the data directories, which must point at those sections.
  local headers base entry section
  headers=$("$TESSERA_OBJDUMP" -h "$rewritten")
  base=$(awk '$1 == "ImageBase" { print $2 }' <<<"$dump")
  for entry in "2 .rsrc" "5 .reloc"; do
    set -- $entry
    local rva vma
    rva=$(awk -v n="$1" '$1 == "Entry" && $2 == n { print $3 }' <<<"$dump")
    vma=$(awk -v s="$2" '$2 == s { print $4 }' <<<"$headers")
    [ -n "$rva" ] && [ -n "$vma" ] || fail "$rewritten: no directory $1 or section $2"
    [ $((16#$base + 16#$rva)) -eq $((16#$vma)) ] ||
      fail "$rewritten: data directory $1 points at $rva, section $2 lies at $vma"
  done
}

# start_and_greet NAME: the packed application starts, reads its package and
# answers a bridge call, then ends with exit code 0.
start_and_greet() {
  page_script "$1" <<'SCRIPT'
quit-after 60000 3
page file:///index.html
message-json {"id":10001,"uuid":"r1","data":{}}
wait-for-post "uuid": "r1"
quit-after 100 0
SCRIPT
  start_app "$1"
  expect_exit "$APP_PID" 90 0
  has_log "$1" "PostWebMessageAsJson {\"uuid\": \"r1\", \"success\": true, \"result\": \"2026.1\"}" ||
    fail "$1 did not answer the bridge: $(log_lines "$1" '^PostWebMessage')"
}

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
step "the runtime image"
expect_probe "$TESSERA_RUNTIME" "${runtime_lines[@]}"

step "an application packed without resources of its own keeps the runtime's"
new_app plain <<'INI'
ID=com.tessera.test.plain
Name=Plain
DirName=app
INI
pack_app plain
expect_probe "$WORK/plain/plain.exe" "${runtime_lines[@]}" "checksum=match"

# An icon of two sizes the runtime's has not, drawn here.
convert -size 64x64 xc:none -fill '#c0392b' -draw 'circle 32,32 32,4' -strip -depth 8 \
  -define icon:auto-resize=64,16 "ico:$WORK/round.ico" || fail "ImageMagick could not draw an icon"

step "an application with its own icon and version strings"
new_app notes <<'INI'
ID=com.tessera.test.notes
Name=Notes
DirName=app
INI
pack_app notes --icon "$(winpath "$WORK/round.ico")" --product-name "Notes für alle" \
  --product-version 3.1.4 --company "Example Works" --copyright "© 2026 Example Works"
notes_lines=(
  "file-version=3.1.4.0"
  "product-version=3.1.4.0"
  "string:ProductName=Notes für alle"
  "string:FileDescription=Notes für alle"
  "string:ProductVersion=3.1.4.0"
  "string:FileVersion=3.1.4.0"
  "string:CompanyName=Example Works"
  "string:LegalCopyright=© 2026 Example Works"
  "string:OriginalFilename=notes.exe"
  "string:InternalName=notes"
  "icon-group=MAINICON"
  "icon=64x64 32"
  "icon=16x16 32"
  "icon-loads=32x32"
  "checksum=match"
)
expect_probe "$WORK/notes/notes.exe" "${notes_lines[@]}"
expect_objdump_reads "$WORK/notes/notes.exe" "$TESSERA_RUNTIME"
start_and_greet notes

step "the description, when given, is the file description"
new_app described <<'INI'
ID=com.tessera.test.described
Name=Described
DirName=app
INI
pack_app described --product-name "Described" --description "Takes notes"
expect_probe "$WORK/described/described.exe" "string:ProductName=Described" \
  "string:FileDescription=Takes notes" "string:ProductVersion=$version" \
  "icon-group=MAINICON" "icon=0x0 32" "icon=48x48 32" "icon=32x32 32" "icon=24x24 32" \
  "icon=16x16 32" "checksum=match"

# An image without resources (the packer's own) gets a new section in front
# of its relocations, and still runs with a package behind it.
step "an image without resources gains them"
"$TESSERA_WINE_RUN" "$TESSERA_PACK" --runtime "$(winpath "$TESSERA_PACK")" \
  --app "$(winpath "$WORK/plain/app")" --settings "$(winpath "$WORK/plain/qel.ini")" \
  --icon "$(winpath "$WORK/round.ico")" --product-version 1.0 \
  --output "$(winpath "$WORK/packer.exe")" >/dev/null || fail "could not pack onto the packer"
expect_probe "$WORK/packer.exe" "file-version=1.0.0.0" "string:ProductVersion=1.0.0.0" \
  "string:OriginalFilename=packer.exe" "icon-group=MAINICON" "icon=64x64 32" "icon=16x16 32" \
  "icon-loads=32x32" "checksum=match"
expect_objdump_reads "$WORK/packer.exe" "$TESSERA_PACK"
"$TESSERA_WINE_RUN" "$WORK/packer.exe" --version | tr -d '\r' | grep -q '^tessera-pack ' ||
  fail "the rewritten packer does not run"

step "bad icons and versions are refused, and nothing is written"
printf 'not an icon' >"$WORK/text.ico"
cases=(
  "--icon|$WORK/missing.ico|is not a file"
  "--icon|$WORK/text.ico|neither an icon file (.ico) nor a PNG image"
  "--product-version|1.2.x|is not a version"
  "--product-version|1.2.3.4.5|is not a version"
  "--product-version|70000|is not a version"
)
for case in "${cases[@]}"; do
  IFS='|' read -r option value message <<<"$case"
  [ "$option" = --icon ] && value=$(winpath "$value")
  rm -f "$WORK/notes/refused.exe"
  set +e
  err=$("$TESSERA_WINE_RUN" "$TESSERA_PACK" --runtime "$(winpath "$TESSERA_RUNTIME")" \
    --app "$(winpath "$WORK/notes/app")" --settings "$(winpath "$WORK/notes/qel.ini")" \
    "$option" "$value" --output "$(winpath "$WORK/notes/refused.exe")" 2>&1 >/dev/null)
  rc=$?
  set -e
  [ "$rc" -ne 0 ] || fail "$option $value was accepted"
  grep -qF -- "$message" <<<"$err" || fail "$option $value: message \"$err\" lacks \"$message\""
  left=$(find "$WORK/notes" -maxdepth 1 -name 'refused*')
  [ -z "$left" ] || fail "$option $value left $left"
done

echo "PASS"
