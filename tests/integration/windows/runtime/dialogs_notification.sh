#!/usr/bin/env bash
# qel.dialogs through the bridge on the system's dialogs (typed into with
# xdotool), and qel.system.notification: presented, then a click on it, as
# the shell reports one, raises the page's onNotificationClick with the
# notification's name.
. "$(dirname "$0")/runtime_test_lib.sh"

CLICK=$(dirname "$TESSERA_WINDOW_PROBE")/tessera_notification_click.exe
[ -f "$CLICK" ] || fail "no $CLICK"

new_app dialogs <<'INI'
ID=com.tessera.test.dialogs
Name=Dialogs
DirName=app
INI
pack_app dialogs
mkdir -p "$WORK/files/chosen folder"
echo x >"$WORK/files/pick me.txt"
page_script dialogs <<SCRIPT
quit-after 300000 3
page file:///index.html
message-json {"id":20001,"uuid":"d1","data":{"title":"Pick a page file","fileTypes":"Text|*.txt;All|*.*"}}
wait-for-post "uuid": "d1"
message-json {"id":20002,"uuid":"d2","data":{"title":"Save the page","overwritePrompt":true}}
wait-for-post "uuid": "d2"
message-json {"id":20003,"uuid":"d3","data":{"title":"Pick a page folder"}}
wait-for-post "uuid": "d3"
message-json {"id":11005,"uuid":"n1","data":{"name":"report \"7\"","title":"Export done","body":"Saved"}}
wait-for-post "uuid": "n1"
wait-for-file $(winpath "$WORK/clicked")
quit-after 100 0
SCRIPT

# json_path PATH: the Windows path of PATH as a JSON string's contents.
json_path() {
  winpath "$1" | sed 's/\\/\\\\/g'
}

# answer CAPTION TEXT: types TEXT into the file name box of the dialog
# CAPTION and presses Enter (Wine's box takes no ctrl+a, hence End,
# shift+Home).
answer() {
  wait_window "$1" 30
  sleep 0.5
  send_keys "$WINDOW" End shift+Home BackSpace
  type_text "$WINDOW" "$2"
  sleep 0.5
  send_keys "$WINDOW" Return
}

start_app dialogs

step "openFile: the typed file's path"
answer "Pick a page file" "$(winpath "$WORK/files/pick me.txt")"
wait_log dialogs "PostWebMessageAsJson {\"uuid\": \"d1\", \"success\": true, \"result\": \"$(json_path "$WORK/files/pick me.txt")\"}" 20

step "saveFile: Escape gives the empty string"
wait_window "Save the page" 30
sleep 0.5
send_keys "$WINDOW" Escape
wait_log dialogs 'PostWebMessageAsJson {"uuid": "d2", "success": true, "result": ""}' 20

step "selFolder: the folder with a trailing backslash"
answer "Pick a page folder" "$(winpath "$WORK/files/chosen folder")"
wait_log dialogs "PostWebMessageAsJson {\"uuid\": \"d3\", \"success\": true, \"result\": \"$(json_path "$WORK/files/chosen folder")\\\\\"}" 20

step "notification: presented, and its click runs the page's handler with the name"
wait_log dialogs 'PostWebMessageAsJson {"uuid": "n1", "success": true, "result": true}' 20
"$TESSERA_WINE_RUN" "$CLICK" 1 || fail "no notification window"
wait_log dialogs 'ExecuteScript qel.events.onNotificationClick("report \"7\"");' 10
touch "$WORK/clicked"
expect_exit "$APP_PID" 30 0
echo "PASS"
