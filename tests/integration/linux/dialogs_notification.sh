#!/usr/bin/env bash
# qel.dialogs from a real page on the GTK file choosers (typed into with
# xdotool), and qel.system.notification over D-Bus: dunst shows it on
# a private session bus, and its default action (the click) raises the
# page's onNotificationClick with the notification's name.

# Notifications need a session bus of their own.
if [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ] && command -v dbus-run-session >/dev/null; then
  exec dbus-run-session -- bash "$0" "$@"
fi
source "$(dirname "$0")/e2e_lib.sh"
if [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ] || ! command -v dunst >/dev/null; then
  echo "SKIP: needs dbus-run-session and dunst"
  exit 77
fi

new_app dialogs <<'INI'
ID=e2e.dialogs
Name=Dialogs
DirName=app
INI
add_file dialogs index.html <<'HTML'
<!DOCTYPE html>
<html><head><script src="report.js"></script></head><body><script>
async function run() {
  qel.events.onNotificationClick = (name) => {
    report("clicked", name);
    qel.app.close();
  };
  report("open", await qel.dialogs.openFile({ title: "Pick a page file", fileTypes: "Text|*.txt;All|*.*" }));
  report("save", await qel.dialogs.saveFile({ title: "Save the page", overwritePrompt: true }));
  report("folder", await qel.dialogs.selFolder({ title: "Pick a page folder" }));
  report("notified", await qel.system.notification({ name: 'report "7"', title: "Export done", body: "Saved" }));
}
run().catch((error) => report("error", String(error)));
</script></body></html>
HTML
pack_app dialogs
mkdir -p "$WORK/files/chosen folder"
echo x >"$WORK/files/pick me.txt"

dunst >/dev/null 2>&1 &
STARTED_PIDS+=("$!")

# answer CAPTION PATH: types the absolute PATH into the chooser CAPTION and
# presses Enter once the chooser's field holds all of it. The leading "/"
# goes first, alone: typed into the file list it opens the location field,
# which takes keys only once it is there (keys typed on meanwhile would be
# lost, and the chooser would open a path nobody typed).
answer() {
  wait_window "$1" "$WAIT"
  mark_widgets dialogs
  type_into "$WINDOW" /
  wait_widgets dialogs "text /"
  type_into "$WINDOW" "${2#/}"
  wait_widgets dialogs "text $2"
  press "$WINDOW" Return
}

start_app dialogs

step "openFile: the typed file's path"
answer "Pick a page file" "$WORK/files/pick me.txt"
expect_report dialogs open "\"$WORK/files/pick me.txt\""

step "saveFile: Escape gives the empty string"
wait_window "Save the page" "$WAIT"
press "$WINDOW" Escape
expect_report dialogs save '""'

step "selFolder: the folder with a trailing slash"
answer "Pick a page folder" "$WORK/files/chosen folder"
expect_report dialogs folder "\"$WORK/files/chosen folder/\""

step "notification: presented by dunst, and its click reaches the page with the name"
expect_report dialogs notified true
deadline=$((SECONDS + WAIT))
until [ "$(dunstctl count displayed 2>/dev/null)" = 1 ]; do
  [ $SECONDS -lt $deadline ] || fail "dunst shows no notification"
  sleep 0.2
done
dunstctl action 0
expect_report dialogs clicked '"report \"7\""'
expect_exit "$APP_PID" "$WAIT" 0
echo "PASS"
