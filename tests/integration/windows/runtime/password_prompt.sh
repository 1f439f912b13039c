#!/usr/bin/env bash
# The start-up password: the prompt confirms itself on the key release that
# completes the password, and nothing else gets past it but a start that a
# running, unlocked instance hands off (a page's new window).
. "$(dirname "$0")/runtime_test_lib.sh"

new_app locked <<'INI'
ID=com.tessera.test.locked
Name=Locked App
DirName=app
Password=s3cret
INI
pack_app locked
page_script locked <<<"quit-after 300 0"

step "wrong case and Enter leave the prompt open; the last key of the password confirms"
start_app locked
wait_window "Locked App" 20
prompt=$WINDOW
probe info "Locked App" | grep -Fxq "client 308,71" || fail "prompt: $(probe info "Locked App")"
screenshot password-prompt
type_text "$prompt" "S3cret"
screenshot password-prompt-typed
send_keys "$prompt" Return
sleep 0.5
wait_window "Locked App" 1
! has_log locked CreateCoreWebView2Environment || fail "the application opened with a wrong password"
send_keys "$prompt" BackSpace BackSpace BackSpace BackSpace BackSpace BackSpace BackSpace
type_text "$prompt" "s3cre"
sleep 0.5
wait_window "Locked App" 1
type_text "$prompt" "t"
wait_log locked "Navigate file:///index.html" 20
expect_exit "$APP_PID" 20 0

step "closing the prompt ends the process: exit 0, no page"
rm -f "$WORK/locked/engine.log"
start_app locked
wait_window "Locked App" 20
send_keys "$WINDOW" alt+F4
expect_exit "$APP_PID" 15 0
! has_log locked CreateCoreWebView2Environment || fail "the application opened"

step "the application ID as first argument is no password: the prompt shows"
rm -f "$WORK/locked/engine.log"
start_app locked com.tessera.test.locked file:///index.html
wait_window "Locked App" 20
send_keys "$WINDOW" alt+F4
expect_exit "$APP_PID" 15 0
! has_log locked CreateCoreWebView2Environment || fail "the application opened"

step "a page's new window opens in a process that asks for no password"
# The unlocked instance hands the start off; it runs until the new process
# has opened its page.
new_app relay <<'INI'
ID=com.tessera.test.relay
Name=Relay App
DirName=app
Password=s3cret
INI
add_file relay index.html <<<"<html>index</html>"
add_file relay x.html <<<"<html>x</html>"
pack_app relay
page_script relay <<SCRIPT
page file:///index.html
new-window file:///x.html
wait-for-file $(winpath "$WORK/relay-done")
quit-after 1 0
page file:///x.html
quit-after 300 0
SCRIPT
start_app relay
first=$APP_PID
wait_window "Relay App" 20
type_text "$WINDOW" "s3cret"
wait_log relay "Navigate file:///index.html" 20
# The new process would wait at its prompt, never reaching its page.
wait_log relay "Navigate file:///x.html" 20
touch "$WORK/relay-done"
expect_exit "$first" 60 0
echo "PASS"
