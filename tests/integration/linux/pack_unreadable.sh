#!/usr/bin/env bash
# Files of the app folder that tessera-pack may not read (a file, a folder
# without permission): each fails the pack by name, with no output written
# and an earlier one kept; --skip-unreadable names and leaves them out.
# Root reads everything, so as root the packer runs as nobody.
# Usage: pack_unreadable.sh TESSERA_PACK
set -euo pipefail
pack=$1
work=$(mktemp -d "${TMPDIR:-/tmp}/pack_unreadable.XXXXXX")
trap 'chmod -R u+rwx "$work"; rm -rf "$work"' EXIT
chmod 755 "$work"

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

as_packer() {
  if [ "$(id -u)" -eq 0 ]; then
    setpriv --reuid=65534 --regid=65534 --clear-groups "$pack" "$@"
  else
    "$pack" "$@"
  fi
}

printf '[App]\nID=unreadable\nName=Unreadable\nDirName=web\n' >"$work/qel.ini"
# Any clean ELF image will do as the runtime: a copy of a stripped system tool.
cp /usr/bin/true "$work/runtime"
mkdir -p "$work/file-app" "$work/folder-app/locked" "$work/both-app/locked" "$work/out"
chmod 777 "$work/out"
for app in file-app folder-app both-app; do
  echo '<h1>Hi</h1>' >"$work/$app/index.html"
done
echo secret >"$work/file-app/secret.txt"
echo secret >"$work/both-app/secret.txt"
echo 'x()' >"$work/folder-app/locked/x.js"
echo 'x()' >"$work/both-app/locked/x.js"
chmod 000 "$work/file-app/secret.txt" "$work/both-app/secret.txt" "$work/folder-app/locked" \
  "$work/both-app/locked"
echo "previous build" >"$work/out/app"
chmod 666 "$work/out/app"

# pack APP [OPTIONS...]: packs into out/app; RC, and ERR with the messages.
pack_app() {
  local app=$1
  shift
  RC=0
  ERR=$(as_packer --runtime "$work/runtime" --app "$work/$app" --settings "$work/qel.ini" \
    --output "$work/out/app" "$@" 2>&1 >/dev/null) || RC=$?
}

for case in "file-app:\"$work/file-app/secret.txt\" cannot be read" \
  "folder-app:\"$work/folder-app/locked\" is a folder that cannot be read"; do
  app=${case%%:*} says=${case#*:}
  pack_app "$app"
  [ "$RC" -eq 1 ] || fail "$app: exit $RC, expected 1"
  grep -Fq -- "$says" <<<"$ERR" || fail "$app: the message does not say '$says': $ERR"
  grep -Fq -- "--skip-unreadable" <<<"$ERR" || fail "$app: the message does not name the way out: $ERR"
  [ "$(cat "$work/out/app")" = "previous build" ] || fail "$app: the earlier output was touched"
  [ "$(ls "$work/out")" = "app" ] || fail "$app: left behind: $(ls "$work/out")"
done

pack_app both-app --skip-unreadable
[ "$RC" -eq 0 ] || fail "--skip-unreadable: exit $RC: $ERR"
for skipped in "$work/both-app/secret.txt" "$work/both-app/locked"; do
  grep -Fq "skipped \"$skipped\"" <<<"$ERR" || fail "$skipped was not named: $ERR"
done
entries=$("$pack" --list "$work/out/app" | awk 'NR > 2 { print $2 }' | sort | tr '\n' ' ')
[ "$entries" = "qel.ini web/index.html " ] || fail "packed: $entries"
echo PASS
