#!/usr/bin/env bash
# The package's window settings as the window manager sees them: size and
# size limits (a minimum above the maximum raises the maximum), the centred
# placement, stay-on-top, maximized, no border, full screen, and the caption
# (the application's name, or the page's title with DynamicAppTitle).
source "$(dirname "$0")/e2e_lib.sh"

# app NAME TITLE: an application whose page has that title; settings from
# stdin.
app() {
  new_app "$1"
  add_file "$1" index.html <<HTML
<!DOCTYPE html>
<html><head><title>$2</title><script src="report.js"></script></head>
<body onload="report('ready', true)">$2</body></html>
HTML
  pack_app "$1"
}

app sized "Sized page" <<'INI'
ID=e2e.window.sized
Name=Sized
DirName=app
Width=640
Height=480
MaxWidth=500
MinWidth=600
MinHeight=300
WindowOrder=1
INI
app maximized "Maximized page" <<'INI'
ID=e2e.window.maximized
Name=Maximized
DirName=app
WindowState=1
DynamicAppTitle=1
INI
app borderless "Borderless page" <<'INI'
ID=e2e.window.borderless
Name=Borderless
DirName=app
WindowBorder=0
INI
app fullscreen "Full page" <<'INI'
ID=e2e.window.fullscreen
Name=Full
DirName=app
WindowStyle=1
WindowBorder=2
WindowState=0
INI

step "size, limits, centred placement, stay-on-top; the caption stays the name"
start_app sized
expect_report sized ready true
wait_window "Sized" "$WAIT"
wait_property "$WINDOW" _NET_WM_STATE _NET_WM_STATE_ABOVE
# The size and the limits are of the outer frame: the window inside it is
# smaller by the frame, and so are the limits the window manager is given.
wait_geometry "$WINDOW" '[ "$OUTER_WIDTH" -eq 600 ] && [ "$OUTER_HEIGHT" -eq 480 ] && [ "$FRAME_TOP" -gt 0 ]'
deadline=$((SECONDS + WAIT))
until hints=$(window_property "$WINDOW" WM_NORMAL_HINTS) &&
  grep -Fq "minimum size: $((600 - FRAME_LEFT - FRAME_RIGHT)) by $((300 - FRAME_TOP - FRAME_BOTTOM))" <<<"$hints" &&
  grep -Fq "maximum size: $((600 - FRAME_LEFT - FRAME_RIGHT)) by" <<<"$hints"; do
  [ $SECONDS -lt $deadline ] || fail "limits less the frame, the maximum width raised to the minimum: $hints"
  sleep 0.1
done
# Centred on the 1280x800 display, frame included.
centre_x=$((OUTER_X + OUTER_WIDTH / 2)) centre_y=$((OUTER_Y + OUTER_HEIGHT / 2))
[ "$centre_x" -ge 638 ] && [ "$centre_x" -le 642 ] && [ "$centre_y" -ge 398 ] &&
  [ "$centre_y" -le 402 ] || fail "not centred: ${OUTER_WIDTH}x$OUTER_HEIGHT at $OUTER_X,$OUTER_Y"
[ "$(window_count "Sized page")" -eq 0 ] || fail "the caption followed the page without DynamicAppTitle"
screenshot sized.png
close_window "$WINDOW"
expect_exit "$APP_PID" "$WAIT" 0

step "maximized; the caption follows the page's title"
start_app maximized
wait_window "Maximized page" "$WAIT"
wait_property "$WINDOW" _NET_WM_STATE _NET_WM_STATE_MAXIMIZED_VERT
wait_property "$WINDOW" _NET_WM_STATE _NET_WM_STATE_MAXIMIZED_HORZ
close_window "$WINDOW"
expect_exit "$APP_PID" "$WAIT" 0

step "no border"
start_app borderless
expect_report borderless ready true
wait_window "Borderless" "$WAIT"
wait_property "$WINDOW" _NET_FRAME_EXTENTS "= 0, 0, 0, 0"
screenshot borderless.png
close_window "$WINDOW"
expect_exit "$APP_PID" "$WAIT" 0

step "full screen: borderless and maximized, whatever WindowBorder and WindowState say"
start_app fullscreen
expect_report fullscreen ready true
wait_window "Full" "$WAIT"
wait_property "$WINDOW" _NET_FRAME_EXTENTS "= 0, 0, 0, 0"
wait_property "$WINDOW" _NET_WM_STATE _NET_WM_STATE_MAXIMIZED_VERT
close_window "$WINDOW"
expect_exit "$APP_PID" "$WAIT" 0
echo PASS
