#!/usr/bin/env bash
# The close protocol under the window manager: closing the window asks the
# page first. The default handler agrees at once; a page whose handler
# refuses keeps the window open until it agrees.
source "$(dirname "$0")/e2e_lib.sh"

new_app agrees <<'INI'
ID=e2e.close.agrees
Name=Close Agrees
DirName=app
INI
add_file agrees index.html <<'HTML'
<!DOCTYPE html>
<html><head><script src="report.js"></script></head>
<body onload="report('ready', true)">The default close handler.</body></html>
HTML
pack_app agrees

new_app refuses <<'INI'
ID=e2e.close.refuses
Name=Close Refuses
DirName=app
INI
add_file refuses index.html <<'HTML'
<!DOCTYPE html>
<html><head><script src="report.js"></script><script>
let asked = 0;
qel.events.onCloseQuery = () => {
  asked++;
  report("asked", asked);
  if (asked >= 2) qel.app.close();
};
</script></head>
<body onload="report('ready', true)">Refuses the first close.</body></html>
HTML
pack_app refuses

close_query='js qel.events.onCloseQuery();'

step "the default handler closes the window after one exchange with the page"
start_app agrees
wait_window "Close Agrees" "$WAIT"
expect_report agrees ready true
close_window "$WINDOW"
expect_exit "$APP_PID" "$WAIT" 0
grep -aq '^<- {"id":50001,' "$WORK/agrees/bridge.log" || fail "the page did not call qel.app.close()"
[ "$(log_count agrees "$close_query")" -eq 2 ] || fail "the page was asked $(log_count agrees "$close_query") times, expected 2"

step "a refusing handler keeps the window open"
start_app refuses
wait_window "Close Refuses" "$WAIT"
expect_report refuses ready true
close_window "$WINDOW"
expect_report refuses asked 1
still_running "$APP_PID" 1
[ "$(window_count "Close Refuses")" -eq 1 ] || fail "the refused window is gone"

step "once the page agrees, the window closes"
close_window "$WINDOW"
expect_report refuses asked 2
expect_exit "$APP_PID" "$WAIT" 0
[ "$(log_count refuses "$close_query")" -eq 3 ] || fail "the page was asked $(log_count refuses "$close_query") times, expected 3"
echo PASS
