#!/usr/bin/env bash
# The start-up password: the prompt confirms itself on the key release that
# completes the password, and nothing else gets past it.
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

step "the application ID as first argument skips the prompt"
start_app locked com.tessera.test.locked
wait_log locked "Navigate file:///index.html" 20
expect_exit "$APP_PID" 20 0
echo "PASS"
