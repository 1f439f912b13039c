#!/usr/bin/env bash
# One instance per application: a page that opens a new window on a package
# page starts the executable again with the application ID and that URL;
# that process runs beside the first, asks for no password (the first, past
# it, handed the start off) and opens at that page. Any other start while
# one of them runs ends silently.
source "$(dirname "$0")/e2e_lib.sh"

new_app solo <<'INI'
ID=e2e.instances
Name=Solo
DirName=app
Password=s3cret
INI
add_file solo index.html <<'HTML'
<!DOCTYPE html>
<html><head><script src="report.js"></script></head>
<body onload="report('first', location.href); window.open('other.html?from=first')">
The first instance.</body></html>
HTML
add_file solo other.html <<'HTML'
<!DOCTYPE html>
<html><head><script src="report.js"></script></head>
<body onload="report('second', location.href)">The page handed off.</body></html>
HTML
pack_app solo

# pid_of_window WINDOW: the process that owns the X window.
pid_of_window() {
  xprop -id "$1" _NET_WM_PID | sed -n 's/.* = \([0-9]*\)$/\1/p'
}

step "the page's new window starts a second process at that page"
# The application ID alone is no password.
start_app solo e2e.instances
first_pid=$APP_PID
wait_window "Solo" "$WAIT"
wait_widgets solo "entry hidden"
type_into "$WINDOW" "s3cret"
expect_report solo first '"tessera://localhost/index.html"'
# The new process inherits the bridge log.
expect_report solo second '"tessera://localhost/other.html?from=first"'
wait_windows Solo 2
[ "$(grep -c '^entry hidden$' "$WORK/solo/widgets.log")" -eq 1 ] || fail "the handed-off start asked for the password"

step "another start while they run ends after its password, showing nothing more"
# unlock NAME: types the password into the prompt of the process just
# started (the running ones' windows have the same caption).
unlock() {
  local prompt="" deadline=$((SECONDS + WAIT))
  wait_widgets "$1" "entry hidden"
  while [ -z "$prompt" ]; do
    [ $SECONDS -lt $deadline ] || fail "no window of process $APP_PID"
    prompt=$(xdotool search --onlyvisible --pid "$APP_PID" 2>/dev/null | head -n 1 || true)
    [ -n "$prompt" ] || sleep 0.2
  done
  type_into "$prompt" "s3cret"
}
start_exe solo-third "$WORK/solo/solo" e2e.instances
unlock solo-third
expect_exit "$APP_PID" "$WAIT" 0
start_exe solo-fourth "$WORK/solo/solo" e2e.instances "file:///other.html" extra
unlock solo-fourth
expect_exit "$APP_PID" "$WAIT" 0
[ "$(grep -c '"test":"first"' "$WORK/solo/bridge.log")" -eq 1 ] || fail "another start opened the application"
[ ! -e "$WORK/solo-third/bridge.log" ] && [ ! -e "$WORK/solo-fourth/bridge.log" ] || fail "another start opened a page"

step "the second process keeps the application running once the first has ended"
wait_windows Solo 2
for window in $WINDOWS; do
  pid=$(pid_of_window "$window")
  if [ "$pid" = "$first_pid" ]; then first_window=$window; else second_pid=$pid second_window=$window; fi
done
[ -n "${second_pid:-}" ] || fail "no window belongs to the second process"
close_window "$first_window"
expect_exit "$first_pid" "$WAIT" 0
start_exe solo-fifth "$WORK/solo/solo"
unlock solo-fifth
expect_exit "$APP_PID" "$WAIT" 0
[ ! -e "$WORK/solo-fifth/bridge.log" ] || fail "a plain start opened the application beside the second process"

step "the second window closes"
close_window "$second_window"
deadline=$((SECONDS + WAIT))
while kill -0 "$second_pid" 2>/dev/null; do
  [ $SECONDS -lt $deadline ] || fail "the second process still runs"
  sleep 0.1
done
echo PASS
