#!/usr/bin/env bash
# Closing the application while a dialog that a page call opened is still
# on screen: the call's handler is still running (the dialog's loop runs
# everything else meanwhile), so the bridge and the web view must outlive
# it, its late answer must go nowhere, and the process must end cleanly.
# The page closes the application from a timer that polls for a file the
# test writes once it sees the dialog.
source "$(dirname "$0")/e2e_lib.sh"

new_app modal <<'INI'
ID=e2e.close.modal
Name=Close During Dialog
DirName=app
INI
add_file modal index.html <<'HTML'
<!DOCTYPE html>
<html><head><script src="report.js"></script></head><body><script>
async function run() {
  const args = await qel.app.getArgs();
  const kind = args[1], trigger = args[2];
  // Calls made while the dialog is open run from the dialog's loop.
  const poll = setInterval(async () => {
    if (await qel.files.fileExists({ filePath: trigger })) {
      clearInterval(poll);
      report("closing", kind);
      qel.app.close();
    }
  }, 100);
  report("opening", kind);
  let answer;
  if (kind === "open") answer = await qel.dialogs.openFile({ title: "Modal open" });
  else if (kind === "save") answer = await qel.dialogs.saveFile({ title: "Modal save" });
  else answer = await qel.dialogs.selFolder({ title: "Modal folder" });
  // Never expected: the application is gone before the dialog answers.
  report("answered", answer);
}
run().catch((error) => report("error", String(error)));
</script></body></html>
HTML
pack_app modal

for kind in open save folder; do
  step "closed from the page while the $kind dialog is open"
  trigger=$WORK/close-$kind
  rm -f "$WORK/modal/bridge.log"
  start_app modal "$kind" "$trigger"
  expect_report modal opening "\"$kind\""
  wait_window "Modal $kind" "$WAIT"
  touch "$trigger"
  expect_report modal closing "\"$kind\""
  expect_exit "$APP_PID" "$WAIT" 0
  grep -aq '"test":"answered"' "$WORK/modal/bridge.log" && fail "the dialog's answer reached a closed page"
  if grep -aE "AddressSanitizer|runtime error:|CRITICAL|started inside the web engine" \
    "$WORK/modal/stderr.txt"; then
    fail "the $kind case reported an error on standard error"
  fi
done
