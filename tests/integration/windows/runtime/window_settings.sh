#!/usr/bin/env bash
# The window settings of qel.ini as the main window applies them: size,
# placement, border, state, full screen, stay-on-top, size limits, caption.
# Without a window manager the frame is not drawn, but the Win32 styles and
# rectangles are what the settings made them (window_probe reads them). One
# exception: Wine without a window manager pulls a maximized frameless
# window back to its earlier X geometry once its messages run (a bare Win32
# program shows the same), so full screen is checked by state, style and
# the web view having covered the whole screen.
. "$(dirname "$0")/runtime_test_lib.sh"

WS_CAPTION=0x00C00000
WS_THICKFRAME=0x00040000
WS_EX_DLGMODALFRAME=0x1
WS_EX_TOOLWINDOW=0x80

# start_settings NAME SETTINGS: packs and starts an application named
# "Settings" with the settings (";" between lines) and waits for its page.
start_settings() {
  local name=$1
  { printf 'ID=com.tessera.test.%s\nName=Settings\nDirName=app\n' "$name"; tr ';' '\n' <<<"$2"; } |
    new_app "$name"
  pack_app "$name"
  page_script "$name" <<SCRIPT
page file:///index.html
quit-after 300000 3
title Page Title
wait-for-file $(winpath "$WORK/$name/done")
quit-after 1 0
SCRIPT
  start_app "$name"
  wait_log "$name" "Navigate file:///index.html" 60
}

# finish NAME: the test has seen what it wanted; the application ends.
finish() {
  touch "$WORK/$1/done"
  expect_exit "$APP_PID" 60 0
}

# check NAME INFO EXPECTATION: one expectation on the probe's output:
# key=value with "*" for any field of a comma list (key!=value: anything
# else), or style+=BITS / style-=BITS (exstyle too) for bits that must be
# set or clear; or log=LINE, a line of the engine log ("~" for a blank).
check() {
  local name=$1 info=$2 expectation=$3 key value actual
  case "$expectation" in
    log=*)
      value=${expectation#log=}
      has_log "$name" "${value//\~/ }" || fail "$name: no log line \"${value//\~/ }\""
      ;;
    *+=* | *-=*)
      key=${expectation%%[+-]=*}
      value=${expectation#*=}
      actual=$(sed -n "s/^$key //p" <<<"$info")
      if [[ $expectation == *+=* ]]; then
        [ $((actual & value)) -eq $((value)) ] || fail "$name: $key $actual lacks $value"
      else
        [ $((actual & value)) -eq 0 ] || fail "$name: $key $actual has $value"
      fi
      ;;
    *!=*)
      key=${expectation%%!=*}
      value=${expectation#*!=}
      actual=$(sed -n "s/^$key //p" <<<"$info")
      # shellcheck disable=SC2053 # the value is a pattern
      [[ $actual != ${value//\*/+([0-9-])} ]] || fail "$name: $key is $actual, which it must not be"
      ;;
    *)
      key=${expectation%%=*}
      value=${expectation#*=}
      actual=$(sed -n "s/^$key //p" <<<"$info")
      # shellcheck disable=SC2053 # the expected value is a pattern
      [[ $actual == ${value//\*/+([0-9-])} ]] || fail "$name: $key is $actual, expected $value"
      ;;
  esac
}
shopt -s extglob

# One case's failure does not hide the others'.
failed=()
while IFS='|' read -r name settings expectations; do
  step "$name: $settings"
  start_settings "$name" "$settings"
  info=$(probe info Settings)
  if ! (for expectation in $expectations; do check "$name" "$info" "$expectation"; done); then
    failed+=("$name")
  fi
  finish "$name"
done <<CASES
defaults||bounds=240,100,800,600 maximized=0 topmost=0 style+=$WS_CAPTION style+=$WS_THICKFRAME
single-on-top|Width=500;Height=300;WindowBorder=1;WindowOrder=1|bounds=390,250,500,300 topmost=1 style+=$WS_CAPTION style-=$WS_THICKFRAME
border-none|WindowBorder=0|style-=$WS_CAPTION style-=$WS_THICKFRAME
border-dialog|WindowBorder=3|style+=$WS_CAPTION style-=$WS_THICKFRAME exstyle+=$WS_EX_DLGMODALFRAME
border-tool|WindowBorder=4|style+=$WS_CAPTION style-=$WS_THICKFRAME exstyle+=$WS_EX_TOOLWINDOW
border-sizeable-tool|WindowBorder=5|style+=$WS_CAPTION style+=$WS_THICKFRAME exstyle+=$WS_EX_TOOLWINDOW
maximized|WindowState=1|maximized=1
state-2-is-normal|WindowState=2|maximized=0 bounds=240,100,800,600
full-screen|WindowStyle=1;WindowBorder=1;WindowState=0|maximized=1 style-=$WS_CAPTION style-=$WS_THICKFRAME log=put_Bounds~0,0,1280,800
placed-by-system|WindowPosition=1;Width=640;Height=480;Top=7;Left=9|bounds=*,*,640,480 bounds!=9,7,*,*
CASES

[ ${#failed[@]} -eq 0 ] || fail "window settings not applied: ${failed[*]}"

# Limits hold against a resize; the minimum width, assigned after the
# maximum, raises it.
step "size limits"
start_settings limits "MaxWidth=700;MinWidth=900;MaxHeight=500;MinHeight=200"
for request in "2000 2000|900,500" "100 100|900,200" "900 400|900,400"; do
  size=${request%|*}
  resized=$(probe resize Settings "${size% *}" "${size#* }")
  [[ $resized == "bounds "*,*,${request#*|} ]] || fail "resize to $size gave $resized, expected ${request#*|}"
done
finish limits

step "caption: the application name, following the page title only with DynamicAppTitle"
start_settings title-static ""
# The page has set its title by the time the engine raised the event.
wait_until_log title-static '^raise DocumentTitleChanged '
wait_window Settings 60
no_window "Page Title"
finish title-static
start_settings title-dynamic "DynamicAppTitle=1"
wait_window "Page Title" 60
no_window Settings
finish title-dynamic
echo "PASS"
