#!/usr/bin/env bash
# One instance per application: a page that opens a new window on a package
# page starts the executable again with the application ID and that URL;
# that process runs beside the first, asks for no password and opens at
# that page. Any other start while one runs ends silently.
source "$(dirname "$0")/e2e_lib.sh"

new_app solo <<'INI'
ID=e2e.instances
Name=Solo
DirName=app
Password=never-typed
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
# The application ID as only argument skips the password.
start_app solo e2e.instances
first_pid=$APP_PID
expect_report solo first '"tessera://localhost/index.html"'
# The new process inherits the bridge log.
expect_report solo second '"tessera://localhost/other.html?from=first"'
wait_windows Solo 2
[ "$(grep -c '^entry hidden$' "$WORK/solo/widgets.log" || true)" -eq 0 ] || fail "a password prompt was shown"

step "another start while they run ends silently"
start_exe solo-third "$WORK/solo/solo" e2e.instances
expect_exit "$APP_PID" "$WAIT" 0
[ ! -s "$WORK/solo-third/widgets.log" ] || fail "the third start showed: $(cat "$WORK/solo-third/widgets.log")"
start_exe solo-fourth "$WORK/solo/solo" e2e.instances "file:///other.html" extra
expect_exit "$APP_PID" "$WAIT" 0
[ ! -s "$WORK/solo-fourth/widgets.log" ] || fail "a start with three arguments showed a window"

step "both windows close"
wait_windows Solo 2
for window in $WINDOWS; do
  pid=$(pid_of_window "$window")
  [ "$pid" = "$first_pid" ] || second_pid=$pid
  close_window "$window"
done
expect_exit "$first_pid" "$WAIT" 0
[ -n "${second_pid:-}" ] || fail "no window belongs to the second process"
deadline=$((SECONDS + WAIT))
while kill -0 "$second_pid" 2>/dev/null; do
  [ $SECONDS -lt $deadline ] || fail "the second process still runs"
  sleep 0.1
done
echo PASS
