#!/usr/bin/env bash
# The start-up password typed at the prompt: a wrong text keeps the prompt
# open (Enter does nothing), the right one opens the application on the
# release of its last key; closing the prompt ends the process; the
# application ID as first argument is no password: the prompt shows.
source "$(dirname "$0")/e2e_lib.sh"

new_app locked <<'INI'
ID=e2e.password
Name=Locked
DirName=app
Password=s3cret
DynamicAppTitle=1
INI
add_file locked index.html <<'HTML'
<!DOCTYPE html>
<html><head><title>Unlocked page</title><script src="report.js"></script></head>
<body onload="report('ready', true)">Unlocked.</body></html>
HTML
pack_app locked

step "a wrong password keeps the prompt open"
start_app locked
wait_window "Locked" "$WAIT"
prompt=$WINDOW
wait_widgets locked "entry hidden"
type_into "$prompt" "wrong"
press "$prompt" Return
still_running "$APP_PID" 1
[ ! -e "$WORK/locked/bridge.log" ] || fail "the application opened after a wrong password"
[ "$(window_count Locked)" -eq 1 ] || fail "the prompt closed after a wrong password"

step "the right password opens the application, without Enter"
press "$prompt" ctrl+a
type_into "$prompt" "s3cret"
expect_report locked ready true
wait_window "Unlocked page" "$WAIT"
close_window "$WINDOW"
expect_exit "$APP_PID" "$WAIT" 0

step "closing the prompt ends the process"
start_app locked
wait_window "Locked" "$WAIT"
close_window "$WINDOW"
expect_exit "$APP_PID" "$WAIT" 0
[ "$(grep -c ready "$WORK/locked/bridge.log")" -eq 1 ] || fail "the application opened without the password"

step "the application ID as first argument still asks for the password"
for args in "e2e.password" "e2e.password file:///index.html"; do
  mark_widgets locked
  # shellcheck disable=SC2086 # two arguments in the second case
  start_app locked $args
  wait_window "Locked" "$WAIT"
  wait_widgets locked "entry hidden"
  close_window "$WINDOW"
  expect_exit "$APP_PID" "$WAIT" 0
done
[ "$(grep -c ready "$WORK/locked/bridge.log")" -eq 1 ] || fail "the application opened without the password"
echo PASS
