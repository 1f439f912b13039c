# Shared by the end-to-end scripts: packing applications with tessera-pack,
# running them on the private display of scripts/x11-suite (openbox as the
# window manager), and watching them through X (xdotool, xprop), the
# bridge's debugging log and the widget probe. Sourced, never run.
#
# CMake passes TESSERA_RUNTIME, TESSERA_PACK, TESSERA_WIDGET_PROBE (the GTK
# module that records dialogs, widget_probe.cpp), TESSERA_TEST_PACKER (packs
# what tessera-pack refuses) and TESSERA_ARTIFACTS (screenshots for people
# to look at).
#
# Pages report what they see through the bridge log: report(name, value)
# from report.js posts {"test": name, "value": value}, which the bridge logs
# as "<- {...}" and then drops (it is no request).
set -euo pipefail

if [ -z "${DISPLAY:-}" ] || ! command -v xdotool >/dev/null || ! command -v xprop >/dev/null; then
  echo "SKIP: needs scripts/x11-suite (an X display), xdotool and xprop"
  exit 77
fi

E2E_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
WORK=$(mktemp -d "${HOME:-/tmp}/e2e.XXXXXX")
mkdir -p "$TESSERA_ARTIFACTS"
# The data folders of the applications (XDG), inside the suite's HOME.
export XDG_DATA_HOME=$WORK/data
source "$(dirname "${BASH_SOURCE[0]}")/../process_watch.sh"

# How long a test waits for anything it expects (a window, a report, a
# property, an exit) before it fails. It guards against a hang, it is no
# timing: the machine may be busy, and every wait ends as soon as the thing
# happens.
WAIT=${TESSERA_E2E_WAIT:-90}

fail() {
  echo "FAIL: $*" >&2
  local name
  for name in "$WORK"/*/; do
    if [ -f "$name/stderr.txt" ]; then
      # The whole text is kept; a sanitizer report is shown from its start.
      cp "$name/stderr.txt" "$TESSERA_ARTIFACTS/stderr-$(basename "$name").txt" || true
      echo "--- stderr of $(basename "$name")" >&2
      if grep -q "runtime error:\|ERROR: AddressSanitizer" "$name/stderr.txt"; then
        sed -n '/runtime error:\|ERROR: AddressSanitizer/,$p' "$name/stderr.txt" | head -n 80 >&2
      else
        tail -n 20 "$name/stderr.txt" >&2
      fi
    fi
    [ -f "$name/bridge.log" ] && { echo "--- bridge log of $(basename "$name")" >&2; tail -n 30 "$name/bridge.log" >&2; }
  done
  exit 1
}

step() {
  echo "== $*"
}

# A test that passed still fails when an application it ran printed a GTK
# warning or a GLib critical (a user running the app from a terminal sees
# each of them). GTK's and GDK's own criticals are left out: the ones seen
# here follow event timing inside GTK (an event reaching a dialog that is
# being destroyed, an XEmbed tray embedding the tray icon) and come and go
# with the machine's load.
toolkit_warnings_fail() {
  local rc=$? file warnings
  cleanup_started
  [ "$rc" -eq 0 ] || exit "$rc"
  for file in "$WORK"/*/stderr.txt; do
    [ -f "$file" ] || continue
    warnings=$(grep -aE '(Gtk-WARNING|GLib-CRITICAL|GLib-GObject-CRITICAL)' "$file" || true)
    if [ -n "$warnings" ]; then
      echo "FAIL: $(basename "$(dirname "$file")") printed toolkit warnings:" >&2
      echo "$warnings" | head -n 20 >&2
      exit 1
    fi
  done
}
trap toolkit_warnings_fail EXIT

# new_app NAME: an application folder $WORK/NAME with an empty web folder
# app/ (plus report.js) and qel.ini from standard input ([App] written for
# you).
new_app() {
  local dir=$WORK/$1
  mkdir -p "$dir/app"
  cp "$E2E_DIR/pages/report.js" "$dir/app/report.js"
  { echo "[App]"; cat; } >"$dir/qel.ini"
}

# add_file NAME PATH: a file of the application's web folder, from stdin.
add_file() {
  local file=$WORK/$1/app/$2
  mkdir -p "$(dirname "$file")"
  cat >"$file"
}

# pack_app NAME [tessera-pack options...]: packs $WORK/NAME into the
# executable $WORK/NAME/NAME.
pack_app() {
  local name=$1
  shift
  local dir=$WORK/$name
  "$TESSERA_PACK" --runtime "$TESSERA_RUNTIME" --app "$dir/app" --settings "$dir/qel.ini" \
    --output "$dir/$name" "$@" >/dev/null || fail "tessera-pack could not pack $name"
}

# start_exe NAME EXE [ARGS...]: starts EXE in the background with the bridge
# log and the widget log of NAME; APP_PID is its process.
start_exe() {
  local name=$1 exe=$2
  shift 2
  local dir=$WORK/$name
  mkdir -p "$dir"
  TESSERA_BRIDGE_LOG=$dir/bridge.log GTK_MODULES=$TESSERA_WIDGET_PROBE \
    TESSERA_WIDGET_LOG=$dir/widgets.log "$exe" "$@" >>"$dir/stdout.txt" 2>>"$dir/stderr.txt" &
  APP_PID=$!
  STARTED_PIDS+=("$APP_PID")
}

# start_app NAME [ARGS...]: starts the packed $WORK/NAME/NAME.
start_app() {
  local name=$1
  shift
  start_exe "$name" "$WORK/$name/$name" "$@"
}





# visible_windows CAPTION: the visible windows that have exactly that caption.
visible_windows() {
  local pattern
  pattern="^$(printf '%s' "$1" | sed 's/[][\.*^$()+?{}|]/\\&/g')\$"
  xdotool search --onlyvisible --name "$pattern" 2>/dev/null || true
}

# window_count CAPTION: how many visible windows have exactly that caption.
window_count() {
  visible_windows "$1" | wc -l
}

# wait_windows CAPTION COUNT [SECONDS]: waits until exactly COUNT visible
# windows have that caption and lists them in WINDOWS. A search that meets a
# window being destroyed can come back short, so it is asked again.
wait_windows() {
  local deadline=$((SECONDS + ${3:-$WAIT}))
  while :; do
    WINDOWS=$(visible_windows "$1")
    [ "$(printf '%s' "$WINDOWS" | grep -c .)" -eq "$2" ] && return 0
    [ $SECONDS -lt $deadline ] || fail "$(printf '%s' "$WINDOWS" | grep -c .) windows \"$1\", expected $2"
    sleep 0.2
  done
}

# close_window WINDOW: what the user's Alt+F4 does under the window manager.
close_window() {
  activate "$1"
  xdotool key --clearmodifiers alt+F4
}

# activate WINDOW: makes the window the active one, with the keyboard focus.
# A window that has just been mapped may not be managed by the window
# manager yet, which then ignores the request: it is asked again every few
# seconds until _NET_ACTIVE_WINDOW names the window.
activate() {
  local deadline=$((SECONDS + WAIT)) asked=-10
  while [ "$(xdotool getactivewindow 2>/dev/null)" != "$1" ]; do
    [ $SECONDS -lt $deadline ] || fail "cannot activate $1"
    if [ $((SECONDS - asked)) -ge 5 ]; then
      xdotool windowactivate "$1" >/dev/null 2>&1 || true
      asked=$SECONDS
    fi
    sleep 0.1
  done
}

# type_into WINDOW TEXT: types into the window that has the focus.
type_into() {
  activate "$1"
  xdotool type --delay 40 "$2"
}

# press WINDOW KEY...
press() {
  local window=$1
  shift
  activate "$window"
  xdotool key --clearmodifiers --delay 50 "$@"
}

# wait_log NAME LINE [SECONDS]: waits until the bridge log of NAME holds
# that exact line.
wait_log() {
  local log=$WORK/$1/bridge.log deadline=$((SECONDS + ${3:-$WAIT}))
  while [ $SECONDS -lt $deadline ]; do
    [ -f "$log" ] && grep -aFxq -- "$2" "$log" && return 0
    sleep 0.1
  done
  fail "bridge log of $1 has no line \"$2\" within ${3:-$WAIT} s"
}

# log_count NAME LINE: how many times the exact line is in the bridge log.
log_count() {
  local log=$WORK/$1/bridge.log
  [ -f "$log" ] || { echo 0; return; }
  grep -aFxc -- "$2" "$log" || true
}

# wait_report NAME TEST [SECONDS]: waits for the page's report of TEST and
# sets REPORT to its value, as JSON.
wait_report() {
  local log=$WORK/$1/bridge.log deadline=$((SECONDS + ${3:-$WAIT})) line
  local prefix="<- {\"test\":\"$2\",\"value\":"
  while [ $SECONDS -lt $deadline ]; do
    if [ -f "$log" ]; then
      line=$(grep -aF -- "$prefix" "$log" | tail -n 1 || true)
      if [ -n "$line" ]; then
        REPORT=${line#"$prefix"}
        REPORT=${REPORT%\}}
        return 0
      fi
    fi
    sleep 0.1
  done
  fail "the page of $1 did not report \"$2\" within ${3:-$WAIT} s"
}

# expect_report NAME TEST VALUE [SECONDS]: the page's latest report for TEST
# is exactly VALUE (JSON). Waits for it, as an earlier report of the same
# TEST (an older value) may still be the latest when the new one is on its
# way.
expect_report() {
  local deadline=$((SECONDS + ${4:-$WAIT}))
  wait_report "$1" "$2" "${4:-$WAIT}"
  while [ "$REPORT" != "$3" ] && [ $SECONDS -lt $deadline ]; do
    sleep 0.1
    wait_report "$1" "$2" "$((deadline - SECONDS + 1))"
  done
  [ "$REPORT" = "$3" ] || fail "$1 reported $2 = $REPORT, expected $3"
}

# mark_widgets NAME: from now on, wait_widgets for NAME looks only at what
# the probe records after this point (a line it recorded before, for an
# earlier window, does not count).
declare -A WIDGETS_MARK=()
mark_widgets() {
  WIDGETS_MARK[$1]=$(stat -c %s "$WORK/$1/widgets.log" 2>/dev/null || echo 0)
}

# wait_widgets NAME LINE [SECONDS]: waits until the widget probe recorded
# that exact line for a window of NAME (since mark_widgets NAME, if called).
wait_widgets() {
  local log=$WORK/$1/widgets.log deadline=$((SECONDS + ${3:-$WAIT}))
  local from=$((${WIDGETS_MARK[$1]:-0} + 1))
  while [ $SECONDS -lt $deadline ]; do
    [ -f "$log" ] && grep -aFxq -- "$2" < <(tail -c +"$from" "$log") && return 0
    sleep 0.1
  done
  fail "no window of $1 showed \"$2\" within ${3:-$WAIT} s"
}

# window_property WINDOW ATOM: the property as xprop prints it.
window_property() {
  xprop -id "$1" "$2" 2>/dev/null || true
}

# screenshot FILE: the whole display, kept for people to look at.
screenshot() {
  import -window root "$TESSERA_ARTIFACTS/$1" 2>/dev/null || true
}

# frame_geometry WINDOW: where the window is on the screen, read from the X
# server, not from the application: the window manager's frame
# (_NET_FRAME_EXTENTS) in FRAME_LEFT, FRAME_RIGHT, FRAME_TOP, FRAME_BOTTOM,
# the window inside it in CLIENT_X, CLIENT_Y, CLIENT_WIDTH, CLIENT_HEIGHT,
# and the two together in OUTER_X, OUTER_Y, OUTER_WIDTH, OUTER_HEIGHT.
# Fails while the window manager has announced no frame.
frame_geometry() {
  local info extents
  info=$(xwininfo -id "$1" 2>/dev/null) || return 1
  extents=$(window_property "$1" _NET_FRAME_EXTENTS)
  [[ $extents =~ =\ ([0-9]+),\ ([0-9]+),\ ([0-9]+),\ ([0-9]+) ]] || return 1
  FRAME_LEFT=${BASH_REMATCH[1]} FRAME_RIGHT=${BASH_REMATCH[2]}
  FRAME_TOP=${BASH_REMATCH[3]} FRAME_BOTTOM=${BASH_REMATCH[4]}
  CLIENT_X=$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$info")
  CLIENT_Y=$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$info")
  CLIENT_WIDTH=$(sed -n 's/^ *Width: *//p' <<<"$info")
  CLIENT_HEIGHT=$(sed -n 's/^ *Height: *//p' <<<"$info")
  OUTER_X=$((CLIENT_X - FRAME_LEFT)) OUTER_Y=$((CLIENT_Y - FRAME_TOP))
  OUTER_WIDTH=$((CLIENT_WIDTH + FRAME_LEFT + FRAME_RIGHT))
  OUTER_HEIGHT=$((CLIENT_HEIGHT + FRAME_TOP + FRAME_BOTTOM))
}

# wait_geometry WINDOW CONDITION [SECONDS]: waits until the bash CONDITION
# holds over the variables of frame_geometry (the window manager applies
# sizes and frames after a round trip).
wait_geometry() {
  local deadline=$((SECONDS + ${3:-$WAIT}))
  until frame_geometry "$1" && eval "$2"; do
    [ $SECONDS -lt $deadline ] ||
      fail "window $1: $2 does not hold: ${OUTER_WIDTH:-?}x${OUTER_HEIGHT:-?} at ${OUTER_X:-?},${OUTER_Y:-?}, frame ${FRAME_LEFT:-?},${FRAME_RIGHT:-?},${FRAME_TOP:-?},${FRAME_BOTTOM:-?}"
    sleep 0.1
  done
}

# wait_property WINDOW ATOM TEXT [SECONDS]: waits until xprop shows TEXT in
# the window's property ATOM (the window manager sets some after mapping).
wait_property() {
  local deadline=$((SECONDS + ${4:-$WAIT})) value=""
  while [ $SECONDS -lt $deadline ]; do
    value=$(window_property "$1" "$2")
    grep -Fq -- "$3" <<<"$value" && return 0
    sleep 0.1
  done
  fail "window $1: $2 does not show \"$3\": $value"
}
