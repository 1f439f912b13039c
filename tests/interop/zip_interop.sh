#!/usr/bin/env bash
# Checks the archive code against Info-ZIP, an independent implementation of
# the same format and cipher:
#  - archives written by `zip -P` (stored, deflated, and streamed through a
#    pipe) extract byte for byte with our reader, and not with a wrong password;
#  - packages written by TZipWriter pass `unzip -t`, extract byte for byte
#    with `unzip -P`, and hold only encrypted, stored entries.
# Usage: zip_interop.sh PATH_TO_ZIP_TOOL
set -euo pipefail

tool=$1
fail() {
  echo "zip_interop: $*" >&2
  exit 1
}
for program in zip unzip zipinfo; do
  command -v "$program" >/dev/null || fail "$program is not installed (Debian packages zip, unzip)"
done

# Names are UTF-8; unzip would escape them in a non-UTF-8 locale.
export LC_ALL=C.UTF-8
work=$(mktemp -d "${TMPDIR:-/tmp}/zip_interop.XXXXXX")
trap 'rm -rf "$work"' EXIT
password='Interop pass 1!'

# The application to package: text, incompressible bytes, an empty file, a
# non-ASCII name, deep folders, and files that cross the tools' buffer sizes.
src=$work/src
mkdir -p "$src/app/img" "$src/app/deep/er/est"
printf '[App]\r\nName=Interop\r\n' >"$src/qel.ini"
for i in $(seq 1 2000); do echo "<p>line $i of the page</p>"; done >"$src/app/index.html"
head -c 300000 /dev/urandom >"$src/app/img/photo.bin"
: >"$src/app/empty.txt"
echo "non-ASCII name" >"$src/app/$(printf 'n\xc3\xa4me \xc3\xbc.txt')"
seq 1 300000 >"$src/app/deep/er/est/numbers.txt"
head -c 1048576 /dev/zero >"$src/app/deep/zeros.bin"
head -c 65537 /dev/urandom >"$src/app/deep/chunk.bin"

# Extracts every entry with our reader and compares with the sources.
check_reader() {
  local label=$1 archive=$2
  local out=$work/out-$label
  "$tool" extract-all "$archive" "$password" "$out" || fail "$label: the reader failed"
  diff -r "$src" "$out" >/dev/null || fail "$label: extracted files differ from the sources"
  if "$tool" extract-all "$archive" "wrong $password" "$work/wrong-$label" 2>/dev/null; then
    fail "$label: a wrong password extracted something"
  fi
  # The cipher checks a password with one byte, so 1 wrong password in 256
  # gets past it; for the empty entry that "decrypts" to the right (empty)
  # file, every other entry then fails its CRC. So: no file with content.
  if [ -n "$(find "$work/wrong-$label" -type f -size +0 2>/dev/null)" ]; then
    fail "$label: a wrong password wrote files"
  fi
  echo "zip_interop: $label: reader OK"
}

(cd "$src" && zip -q -r -D -X -0 -P "$password" "$work/stored.zip" .)
check_reader stored "$work/stored.zip"
(cd "$src" && zip -q -r -D -X -9 -P "$password" "$work/deflated.zip" .)
check_reader deflated "$work/deflated.zip"
# Written to a pipe, zip cannot seek back: CRCs and sizes go into data
# descriptors only.
(cd "$src" && zip -q -r -D -X -6 -P "$password" - .) >"$work/streamed.zip"
check_reader streamed "$work/streamed.zip"

# Our writer, read by Info-ZIP.
package=$work/package.zip
"$tool" write "$package" "$password" "$src" || fail "the writer failed"
unzip -tq -P "$password" "$package" >/dev/null || fail "unzip -t reports errors in the package"
unzip -q -P "$password" "$package" -d "$work/unzipped" || fail "unzip cannot extract the package"
diff -r "$src" "$work/unzipped" >/dev/null || fail "unzip extracted files that differ from the sources"
if unzip -tq -P "wrong $password" "$package" >/dev/null 2>&1; then
  fail "unzip accepted a wrong password"
fi
# zipinfo: an upper-case text/binary mark means encrypted, "l" a data
# descriptor without extra field, "stor" the method.
files=$(find "$src" -type f | wc -l)
entries=$(zipinfo "$package" | grep -cE '^-.* [BT]l stor ' || true)
[ "$entries" -eq "$files" ] ||
  fail "expected $files encrypted stored entries, zipinfo shows $entries:
$(zipinfo "$package")"
check_reader package "$package"

echo "zip_interop: all checks passed"
