# Shared by the runtime test scripts: packing applications, running them
# under Wine in the suite's prefix, and watching them through X, the test
# engine's log and the prefix's files. Sourced, never run.
#
# The scripts run under scripts/wine-suite (ctest of the Windows build does),
# which provides TESSERA_WINE_HOME (prefix and HOME) and DISPLAY. CMake passes
# the paths of the images in TESSERA_RUNTIME, TESSERA_PACK, TESSERA_ENGINE,
# TESSERA_TEST_INSTALLER, TESSERA_WINDOW_PROBE, TESSERA_TEST_PACKER,
# TESSERA_WINE_RUN and TESSERA_ARTIFACTS (screenshots for people to look at).
set -euo pipefail

if [ -z "${TESSERA_WINE_HOME:-}" ] || [ -z "${DISPLAY:-}" ] || ! command -v xdotool >/dev/null; then
  echo "SKIP: needs scripts/wine-suite (a Wine prefix and an X display) and xdotool"
  exit 77
fi

WORK=$(mktemp -d "$TESSERA_WINE_HOME/runtime-case.XXXXXX")
WINE_USER_DIR=$TESSERA_WINE_HOME/prefix/drive_c/users/$(id -un)
LOCAL_APPDATA=$WINE_USER_DIR/AppData/Local
# Every wait below gets at least this long: the suite shares a busy machine.
WAIT_FLOOR=90
source "$(dirname "${BASH_SOURCE[0]}")/../../process_watch.sh"

fail() {
  echo "FAIL: $*" >&2
  # What the failure looked like: the last application's process, what it
  # printed and the windows on the display.
  if [ -n "${APP_PID:-}" ]; then
    if kill -0 "$APP_PID" 2>/dev/null; then
      echo "-- process $APP_PID still runs" >&2
    else
      echo "-- process $APP_PID has ended" >&2
    fi
  fi
  local out
  for out in "$WORK"/*/stdout.txt "$WORK"/*/stderr.txt; do
    [ -s "$out" ] || continue
    echo "-- ${out#"$WORK"/}:" >&2
    tail -n 20 "$out" >&2
  done
  echo "-- visible windows: $(xdotool search --onlyvisible --name . getwindowname %@ 2>/dev/null |
    paste -sd'|' - || true)" >&2
  exit 1
}

step() {
  echo "== [${SECONDS}s] $*"
}

# The Windows form of a Unix path (the Z: drive maps /).
winpath() {
  local path
  path=$(realpath -m "$1")
  printf 'Z:%s' "${path//\//\\}"
}

# new_app NAME: an application folder $WORK/NAME with an empty web folder
# app/ and qel.ini from standard input (section [App] written for you).
new_app() {
  local dir=$WORK/$1
  mkdir -p "$dir/app"
  { echo "[App]"; cat; } >"$dir/qel.ini"
}

# add_file NAME PATH: a file of the application's web folder, from stdin.
add_file() {
  local file=$WORK/$1/app/$2
  mkdir -p "$(dirname "$file")"
  cat >"$file"
}

# pack_app NAME [tessera-pack options...]: packs $WORK/NAME with the test
# engine as its loader into $WORK/NAME/NAME.exe. A data folder left in the
# prefix by an earlier run of the same application is removed first.
pack_app() {
  local name=$1
  shift
  local dir=$WORK/$name id
  id=$(sed -n 's/^ID=//p' "$dir/qel.ini" | tr -d '\r')
  [ -z "$id" ] || rm -rf "$(data_folder "$id")"
  [ -n "$(ls -A "$dir/app")" ] || echo "<html></html>" >"$dir/app/index.html"
  "$TESSERA_WINE_RUN" "$TESSERA_PACK" --runtime "$(winpath "$TESSERA_RUNTIME")" \
    --app "$(winpath "$dir/app")" --settings "$(winpath "$dir/qel.ini")" \
    --loader "$(winpath "$TESSERA_ENGINE")" --output "$(winpath "$dir/$name.exe")" "$@" \
    >/dev/null || fail "tessera-pack could not pack $name"
}

# page_script NAME: the engine's page script for $WORK/NAME, from stdin.
page_script() {
  cat >"$WORK/$1/page.txt"
}

# start_app NAME [ARGS...]: starts $WORK/NAME/NAME.exe in the background with
# its page script and log ($WORK/NAME/engine.log). APP_PID is the wine-run
# process; its exit code is the application's.
start_app() {
  local name=$1
  shift
  local dir=$WORK/$name
  [ -f "$dir/page.txt" ] || : >"$dir/page.txt"
  TESSERA_ENGINE_LOG=$(winpath "$dir/engine.log") \
    TESSERA_ENGINE_SCRIPT=$(winpath "$dir/page.txt") \
    "$TESSERA_WINE_RUN" "$dir/$name.exe" "$@" >"$dir/stdout.txt" 2>"$dir/stderr.txt" &
  APP_PID=$!
  STARTED_PIDS+=("$APP_PID")
}

# no_window CAPTION: fails if a visible window has that caption.
no_window() {
  if xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1; then
    fail "unexpected window \"$1\""
  fi
}

# send_keys WINDOW KEY...: X focus goes nowhere by itself without a window
# manager, so focus first.
send_keys() {
  local window=$1
  shift
  timeout 10 xdotool windowfocus --sync "$window" || fail "cannot focus window $window"
  xdotool key --delay 50 "$@"
}

type_text() {
  local window=$1
  timeout 10 xdotool windowfocus --sync "$window" || fail "cannot focus window $window"
  xdotool type --delay 80 "$2"
}

# probe texts|info|resize CAPTION [...]: the Win32 view of a window
# (window_probe.cpp).
probe() {
  "$TESSERA_WINE_RUN" "$TESSERA_WINDOW_PROBE" "$@" | tr -d '\r'
}

# expect_dialog CAPTION TEXT BUTTON...: a message dialog with that caption,
# message and button captions (left to right) is shown.
expect_dialog() {
  local caption=$1 text=$2
  shift 2
  local texts buttons expected=""
  wait_window "$caption" 20
  expected=$(printf '%s/' "$@")
  # The dialog may be mapped before its buttons are renamed: it is read
  # again until it shows what is expected or the deadline passes.
  local deadline
  deadline=$(deadline_after 20)
  while :; do
    texts=$(probe texts "$caption")
    buttons=$(grep '^Button|' <<<"$texts" | cut -d'|' -f2- | paste -sd'/' - || true)
    grep -Fxq "Static|$text" <<<"$texts" && [ "$buttons/" = "$expected" ] && return 0
    [ $SECONDS -lt $deadline ] || break
    sleep 0.2
  done
  grep -Fxq "Static|$text" <<<"$texts" || fail "dialog \"$caption\" does not say \"$text\": $texts"
  fail "dialog buttons \"$buttons\", expected \"${expected%/}\""
}

# wait_log NAME LINE SECONDS: waits until the engine log of NAME holds that
# exact line.
wait_log() {
  local log=$WORK/$1/engine.log deadline
  deadline=$(deadline_after "$3")
  while [ $SECONDS -lt $deadline ]; do
    [ -f "$log" ] && tr -d '\r' <"$log" | grep -aFx -- "$2" >/dev/null && return 0
    no_reentrancy "$1"
    sleep 0.1
  done
  fail "engine log of $1 has no line \"$2\" within $3 s"
}

# wait_until_log NAME REGEX [SECONDS]: waits until a line of the engine log
# of NAME matches the extended regex.
wait_until_log() {
  local deadline
  deadline=$(deadline_after "${3:-60}")
  while [ $SECONDS -lt $deadline ]; do
    [ -n "$(log_lines "$1" "$2")" ] && return 0
    no_reentrancy "$1"
    sleep 0.1
  done
  fail "engine log of $1 has no line matching \"$2\" within ${3:-60} s"
}

# no_reentrancy NAME: fails when the engine saw a message loop run inside
# one of its event handlers (modal UI or a nested loop under the engine's
# callback).
no_reentrancy() {
  local log=$WORK/$1/engine.log line
  [ -f "$log" ] || return 0
  line=$(tr -d '\r' <"$log" | grep -a '^reentrancy ' | head -n 1 || true)
  [ -z "$line" ] || fail "a message loop ran inside an engine event handler of $1 ($line)"
}

# has_log NAME LINE: whether the engine log holds that exact line. grep
# reads to the end (no -q): with pipefail, an early exit would break the
# pipe of a long log and count as failure.
has_log() {
  [ -f "$WORK/$1/engine.log" ] && tr -d '\r' <"$WORK/$1/engine.log" | grep -aFx -- "$2" >/dev/null
}

# log_count NAME LINE: how many times the exact line was logged.
log_count() {
  if [ -f "$WORK/$1/engine.log" ]; then
    tr -d '\r' <"$WORK/$1/engine.log" | grep -aFxc -- "$2" || true
  else
    echo 0
  fi
}

# log_lines NAME PATTERN: the log lines matching an extended regex.
log_lines() {
  [ -f "$WORK/$1/engine.log" ] || return 0
  tr -d '\r' <"$WORK/$1/engine.log" | grep -aE -- "$2" || true
}

# log_starting NAME TEXT: the log lines that start with that exact text.
log_starting() {
  [ -f "$WORK/$1/engine.log" ] || return 0
  tr -d '\r' <"$WORK/$1/engine.log" | TEXT=$2 awk 'index($0, ENVIRON["TEXT"]) == 1'
}

# screenshot NAME [WINDOW]: a picture of the screen (or of one X window)
# under $TESSERA_ARTIFACTS, for a person to look at.
screenshot() {
  mkdir -p "$TESSERA_ARTIFACTS"
  import -window "${2:-root}" "$TESSERA_ARTIFACTS/$1.png" 2>/dev/null || echo "(no screenshot $1)"
}

# The data folder of application ID in the prefix.
data_folder() {
  printf '%s/%s' "$LOCAL_APPDATA" "$1"
}
