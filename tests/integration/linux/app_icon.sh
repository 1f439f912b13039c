#!/usr/bin/env bash
# The icon of a packed Linux application: tessera-pack --icon stores a PNG
# image or an icon file in the package, and every window (the password
# prompt, the main window) carries it as _NET_WM_ICON, in the sizes up to
# the picture's own; a damaged icon is refused with no output written.
source "$(dirname "$0")/e2e_lib.sh"

# Pictures as an image editor writes them: a 48 x 48 PNG image and an icon
# file of one 32 x 32 bitmap image.
python3 - "$WORK" <<'PY' || fail "cannot make the test pictures"
import struct, sys, zlib
work = sys.argv[1]
def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
rows = b"".join(b"\0" + b"\x20\x80\xe0\xff" * 48 for _ in range(48))
png = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 48, 48, 8, 6, 0, 0, 0))
       + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))
open(work + "/icon.png", "wb").write(png)
open(work + "/damaged.png", "wb").write(png[:-20])
pixels = b"\xe0\x80\x20\xff" * 32 * 32
mask = b"\0" * 4 * 32
bitmap = struct.pack("<IiiHHIIiiII", 40, 32, 64, 1, 32, 0, len(pixels), 0, 0, 0, 0) + pixels + mask
ico = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", 32, 32, 0, 0, 1, 32, len(bitmap), 22) + bitmap
open(work + "/icon.ico", "wb").write(ico)
PY

# The pictures' colour, as _NET_WM_ICON holds a pixel (ARGB): a theme's
# fallback icon for programs has other colours.
COLOUR=4280320224

# icon_sizes WINDOW: the sizes of the window's _NET_WM_ICON, one "W x H" a
# line, smallest first.
icon_sizes() {
  window_property "$1" _NET_WM_ICON | sed -n 's/.*Icon (\([0-9]* x [0-9]*\)).*/\1/p' | sort -n
}

# expect_icon WINDOW SIZES...: waits until the window's icon holds exactly
# these sizes, smallest first, of the pictures' colour.
expect_icon() {
  local window=$1 deadline=$((SECONDS + WAIT)) want got
  shift
  want=$(printf '%s\n' "$@")
  while :; do
    got=$(icon_sizes "$window")
    [ "$got" = "$want" ] && break
    [ $SECONDS -lt $deadline ] || fail "window $window: _NET_WM_ICON sizes are [${got//$'\n'/, }], expected [${want//$'\n'/, }]"
    sleep 0.1
  done
  xprop -id "$window" -f _NET_WM_ICON 32c _NET_WM_ICON | grep -Fq " $COLOUR" ||
    fail "window $window: _NET_WM_ICON is not the packed picture"
}

page='<!DOCTYPE html><html><head><title>Icon page</title><script src="report.js"></script></head>
<body onload="report('"'ready'"', true)">Icon.</body></html>'

step "a PNG icon: on the password prompt and on the main window"
new_app pngicon <<'INI'
ID=e2e.icon.png
Name=Icon Prompt
DirName=app
Password=pw
DynamicAppTitle=1
INI
add_file pngicon index.html <<<"$page"
pack_app pngicon --icon "$WORK/icon.png"
start_app pngicon
wait_window "Icon Prompt" "$WAIT"
expect_icon "$WINDOW" "16 x 16" "24 x 24" "32 x 32" "48 x 48"
wait_widgets pngicon "entry hidden"
type_into "$WINDOW" "pw"
expect_report pngicon ready true
wait_window "Icon page" "$WAIT"
expect_icon "$WINDOW" "16 x 16" "24 x 24" "32 x 32" "48 x 48"
close_window "$WINDOW"
expect_exit "$APP_PID" "$WAIT" 0

step "an icon file: its image on the main window"
new_app icoicon <<'INI'
ID=e2e.icon.ico
Name=Icon File
DirName=app
DynamicAppTitle=1
INI
add_file icoicon index.html <<<"$page"
pack_app icoicon --icon "$WORK/icon.ico"
start_app icoicon
expect_report icoicon ready true
wait_window "Icon page" "$WAIT"
expect_icon "$WINDOW" "16 x 16" "24 x 24" "32 x 32"
close_window "$WINDOW"
expect_exit "$APP_PID" "$WAIT" 0

step "a damaged icon: a clear message, exit 1, no output"
rc=0
"$TESSERA_PACK" --runtime "$TESSERA_RUNTIME" --app "$WORK/pngicon/app" \
  --settings "$WORK/pngicon/qel.ini" --icon "$WORK/damaged.png" --output "$WORK/damaged-app" \
  >/dev/null 2>"$WORK/damaged.txt" || rc=$?
[ "$rc" -eq 1 ] || fail "tessera-pack ended with $rc on a damaged icon"
grep -Fq "icon \"$WORK/damaged.png\": the PNG image is truncated" "$WORK/damaged.txt" ||
  fail "unclear message: $(cat "$WORK/damaged.txt")"
[ -z "$(find "$WORK" -maxdepth 1 -name 'damaged-app*')" ] || fail "output left behind"
echo PASS
