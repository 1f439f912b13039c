#!/usr/bin/env bash
# Packs an app with tessera-pack onto a real executable, cuts the package off
# at the image end that tessera-pack --list reports, and has Info-ZIP test
# and extract every entry with the package password.
# Usage: pack_interop.sh TESSERA_PACK ZIP_TOOL
set -euo pipefail
pack=$1 tool=$2
export LC_ALL=C.UTF-8
work=$(mktemp -d "${TMPDIR:-/tmp}/pack_interop.XXXXXX")
trap 'rm -rf "$work"' EXIT

accented=$'d\xc3\xa9j\xc3\xa0'
mkdir -p "$work/app/img" "$work/app/$accented"
printf '<!doctype html><h1>Hi</h1>\n' >"$work/app/index.html"
head -c 70000 /dev/urandom >"$work/app/img/noise.bin"
: >"$work/app/empty.css"
printf 'caf\xc3\xa9\n' >"$work/app/$accented/menu.json"
printf '\xef\xbb\xbf[App]\r\nID=interop\r\nName=Interop \xc3\xa9\r\nDirName=site\r\n' >"$work/qel.ini"
printf 'window.extra = 1;\n' >"$work/extra.js"
# Any clean ELF image will do as the runtime: a copy of a stripped system tool.
cp /usr/bin/true "$work/runtime"

"$pack" --runtime "$work/runtime" --app "$work/app" --settings "$work/qel.ini" \
  --script "$work/extra.js" --output "$work/packed" >/dev/null
listing=$("$pack" --list "$work/packed")
image=$(sed -n 's/^runtime image: \([0-9]*\) bytes$/\1/p' <<<"$listing")
[ "$image" = "$(stat -c %s "$work/runtime")" ] || { echo "image end $image is wrong"; exit 1; }
tail -c +"$((image + 1))" "$work/packed" >"$work/package.zip"
cmp -s <(head -c "$image" "$work/packed") "$work/runtime" || { echo "runtime bytes changed"; exit 1; }

password=$("$tool" package-password)
unzip -tq -P "$password" "$work/package.zip"
mkdir "$work/out"
unzip -q -P "$password" "$work/package.zip" -d "$work/out"
diff -r "$work/app" "$work/out/site"
cmp "$work/qel.ini" "$work/out/qel.ini"
cmp "$work/extra.js" "$work/out/qel-webviewjs"
# Read the details once: grep -q on a live pipe would end zipinfo early.
details=$(zipinfo -v "$work/package.zip")
entries=$(grep -c '^Central directory entry' <<<"$details")
encrypted=$(grep -c 'file security status: *encrypted' <<<"$details")
stored=$(grep -c 'compression method: *none (stored)' <<<"$details")
[ "$entries" -gt 0 ] && [ "$encrypted" = "$entries" ] && [ "$stored" = "$entries" ] ||
  { echo "of $entries entries, $encrypted are encrypted and $stored stored"; exit 1; }
echo "pack_interop: $(grep -c '' <<<"$listing") listing lines, every entry read back by Info-ZIP"
