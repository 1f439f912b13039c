#!/usr/bin/env bash
# A machine without the browser runtime: the messages, the question, the
# packed installer with the waiting window, and the restart once the
# runtime is there.
. "$(dirname "$0")/runtime_test_lib.sh"

msg6="The Microsoft WebView2 runtime is required to run this application. This application cannot continue and will be closed now."
msg7="The Microsoft WebView2 runtime is required to run this application. Do you want to install it now?"
msg8="This application cannot continue and will be closed now."
msg9="You cancel the installation of Microsoft WebView2 runtime, This application cannot continue and will be closed now."

# installer_app NAME [settings lines...]: an application carrying the test
# installer, on an engine that reports no runtime until $WORK/NAME/runtime
# exists.
installer_app() {
  local name=$1
  shift
  { printf 'ID=com.tessera.test.%s\nName=%s\nDirName=app\n' "$name" "$name"; printf '%s\n' "$@"; } |
    new_app "$name"
  pack_app "$name" --installer "$(winpath "$TESSERA_TEST_INSTALLER")"
  page_script "$name" <<<"quit-after 300 0"
  export TESSERA_ENGINE_RUNTIME_MARKER
  TESSERA_ENGINE_RUNTIME_MARKER=$(winpath "$WORK/$name/runtime")
}

step "installing not allowed: message 6 only, exit 0"
installer_app no-install "EdgeInstaller=0"
start_app no-install
expect_dialog "Error" "$msg6" "Accept"
no_window "Confirm"
send_keys "$WINDOW" Return
expect_exit "$APP_PID" 15 0
! has_log no-install CreateCoreWebView2Environment || fail "the application went on"

step "installation declined: data folder removed, message 8, exit 0"
installer_app declined
start_app declined
expect_dialog "Confirm" "$msg7" "Accept" "Cancel"
[ -f "$(data_folder com.tessera.test.declined)/Win64/WebView2LoaderWin64.dll" ] ||
  fail "no loader in the data folder while asking"
send_keys "$WINDOW" Escape
expect_dialog "Error" "$msg8" "Accept"
[ ! -e "$(data_folder com.tessera.test.declined)" ] || fail "the data folder is still there"
send_keys "$WINDOW" Return
expect_exit "$APP_PID" 15 0

# The test installer runs until this file exists (release_installer), so
# that the window shown while it runs is looked at however slow the machine.
export TESSERA_TEST_INSTALLER_WAIT_FOR
TESSERA_TEST_INSTALLER_WAIT_FOR=$(winpath "$WORK/installer-may-finish")

release_installer() {
  touch "$WORK/installer-may-finish"
}

# run_installer NAME SCREENSHOT: answers the question, waits for the
# installer window while the test installer runs (until released), checks
# it and takes its picture.
run_installer() {
  local name=$1 picture=$2 info
  rm -f "$WORK/installer-may-finish"
  expect_dialog "Confirm" "$msg7" "Accept" "Cancel"
  send_keys "$WINDOW" Return
  wait_window EdgeInstallerForm 20
  info=$(probe info EdgeInstallerForm)
  # 80 by 80, no frame, centred on the 1280x800 screen.
  grep -Fxq "bounds 600,360,80,80" <<<"$info" || fail "installer window: $info"
  [ $(($(sed -n 's/^style //p' <<<"$info") & 0x00C40000)) -eq 0 ] ||
    fail "installer window has a frame: $info"
  sleep 0.5
  screenshot "$picture" "$WINDOW"
}

step "installer succeeds: installer file removed, a new process without arguments starts"
installer_app installed
export TESSERA_TEST_INSTALLER_LOG
TESSERA_TEST_INSTALLER_LOG=$(winpath "$WORK/installed/installer.log")
TESSERA_TEST_INSTALLER_CREATES=$(winpath "$WORK/installed/runtime") start_app installed some-argument
run_installer installed installer-default-dots-white
# Closing the waiting window is refused.
send_keys "$WINDOW" alt+F4
sleep 0.5
wait_window EdgeInstallerForm 1
release_installer
expect_exit "$APP_PID" 30 0
grep -q '/silent /install$' <(tr -d '\r' <"$WORK/installed/installer.log") ||
  fail "installer started as: $(cat "$WORK/installed/installer.log")"
[ ! -e "$(data_folder com.tessera.test.installed)/WebView2Installer.exe" ] ||
  fail "the installer file was left"
# The first process never reaches the engine; the one it started does.
wait_log installed "quit 0" 30
[ "$(log_count installed CreateCoreWebView2Environment)" -eq 1 ] || fail "not exactly one restart"
command_line=$(log_lines installed '^command-line ')
grep -q 'installed\.exe"\? *$' <<<"$command_line" || fail "restarted as: $command_line"
has_log installed "Navigate file:///index.html" || fail "the restarted process did not open its page"

# An installer that installs nothing, once for each indicator (the pictures
# are for a person to look at).
while read -r type color picture; do
  step "installer without effect ($picture): data folder removed, message 9, exit 0"
  name=still-missing-$type
  installer_app "$name" "InstallIndicatorType=$type" "InstallIndicatorColor=$color"
  # Once, an installer left by an earlier attempt: used as it is.
  leftover=$(data_folder "com.tessera.test.$name")/WebView2Installer.exe
  if [ "$type" = 0 ]; then
    mkdir -p "$(dirname "$leftover")"
    cp "$TESSERA_TEST_INSTALLER" "$leftover"
    printf 'left by an earlier attempt' >>"$leftover"
    cp "$leftover" "$WORK/leftover.exe"
  fi
  start_app "$name"
  run_installer "$name" "installer-$picture"
  release_installer
  if [ "$type" = 0 ]; then
    cmp -s "$leftover" "$WORK/leftover.exe" || fail "the installer left earlier was replaced"
  fi
  expect_dialog "Error" "$msg9" "Accept"
  [ ! -e "$(data_folder "com.tessera.test.$name")" ] || fail "the data folder is still there"
  send_keys "$WINDOW" Return
  expect_exit "$APP_PID" 15 0
  ! has_log "$name" CreateCoreWebView2Environment || fail "the application went on"
done <<'CASES'
0 0 dots-black
1 1 sector-white
2 0 ring-black
CASES
echo "PASS"
