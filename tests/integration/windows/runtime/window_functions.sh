#!/usr/bin/env bash
# The app and window functions, the main menu and the tray icon through the
# bridge: the exact replies, the window as Win32 sees it, and clicks on a
# menu item and on the tray icon reaching the page as event scripts.
. "$(dirname "$0")/runtime_test_lib.sh"

# probe_until SECONDS CHECK ARGS...: runs the window probe with ARGS until
# CHECK (a function given its output) holds. A new frame style re-creates
# the window, and the old one lingers for a moment under the same caption.
probe_until() {
  local deadline=$((SECONDS + $1)) check=$2
  shift 2
  while :; do
    PROBED=$(probe "$@" || true)
    "$check" && return 0
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.2
  done
}

new_app winfn <<'INI'
ID=com.tessera.test.winfn
Name=Window Functions
DirName=app
Width=700
Height=500
INI
pack_app winfn
# request ID UUID DATA: one request and the wait for its reply.
{
cat <<'SCRIPT'
quit-after 300000 3
page file:///index.html
message-json {"id":50005,"uuid":"args","data":{}}
wait-for-post "uuid": "args"
message-json {"id":60002,"uuid":"ontop","data":{"style":"ontop"}}
wait-for-post "uuid": "ontop"
message-json {"id":60006,"uuid":"title","data":{"title":"Renamed \"by\" page"}}
wait-for-post "uuid": "title"
message-json {"id":60005,"uuid":"gettitle","data":{}}
wait-for-post "uuid": "gettitle"
message-json {"id":60010,"uuid":"size","data":{"left":40,"top":30,"width":"640.7","height":420}}
wait-for-post "uuid": "size"
message-json {"id":60009,"uuid":"getsize","data":{}}
wait-for-post "uuid": "getsize"
message-json {"id":60008,"uuid":"zoom","data":{"factor":"1,5"}}
wait-for-post "uuid": "zoom"
message-json {"id":60008,"uuid":"zoom2","data":{"factor":1.25}}
wait-for-post "uuid": "zoom2"
message-json {"id":50006,"uuid":"nav","data":{"url":""}}
wait-for-post "uuid": "nav"
message-json {"id":12001,"uuid":"menu","data":{"items":"[{\"id\":1,\"caption\":\"File\",\"items\":[{\"id\":2,\"caption\":\"Quit\"},{\"id\":3,\"caption\":\"Off\",\"enabled\":false}]}]"}}
wait-for-post "uuid": "menu"
message-json {"id":14001,"uuid":"tray","data":{}}
wait-for-post "uuid": "tray"
SCRIPT
# The page goes on once the menu and the tray icon have been tried.
echo "wait-for-file $(winpath "$WORK/menu-tray-done")"
cat <<'SCRIPT'
message-json {"id":60012,"uuid":"border","data":{"border":"dialog"}}
message-json {"id":60011,"uuid":"getborder","data":{}}
wait-for-post "uuid": "getborder"
sleep 30000
SCRIPT
} | page_script winfn

step "window functions answer exactly and change the Win32 window"
start_app winfn one "two words"
wait_log winfn 'PostWebMessageAsJson {"uuid": "tray", "success": true, "result": true}' 40
for reply in \
  '{"uuid": "ontop", "success": true, "result": true}' \
  '{"uuid": "gettitle", "success": true, "result": "Renamed \"by\" page"}' \
  '{"uuid": "getsize", "success": true, "result": {"top": 30, "left": 40, "width": 640, "height": 420}}' \
  '{"uuid": "zoom", "success": true, "result": false}' \
  '{"uuid": "zoom2", "success": true, "result": true}' \
  '{"uuid": "nav", "success": false, "result": "Missing url"}' \
  '{"uuid": "menu", "success": true, "result": true}'; do
  has_log winfn "PostWebMessageAsJson $reply" || fail "no reply $reply: $(log_lines winfn '^PostWebMessage')"
done
args=$(log_lines winfn '^PostWebMessageAsJson {"uuid": "args"')
grep -Fq '"one","two words"]}' <<<"$args" || fail "getArgs: $args"
has_log winfn "put_ZoomFactor 1" || fail "a bad factor did not reset the zoom"
has_log winfn "put_ZoomFactor 1.25" || fail "no zoom 1.25"
on_top_at_bounds() {
  grep -Fxq "topmost 1" <<<"$PROBED" && grep -Fxq "bounds 40,30,640,420" <<<"$PROBED"
}
probe_until 10 on_top_at_bounds info 'Renamed "by" page' || fail "not on top at 40,30,640,420: $PROBED"

step "the menu bar's item chosen with the keyboard runs the page's handler"
# Menus live in the application's process under Wine, so they are driven,
# not read: F10 opens the bar, Down the first menu, Enter its first item.
wait_window 'Renamed "by" page' 10
send_keys "$WINDOW" F10 Down Return
wait_log winfn 'ExecuteScript qel.events.onMainMenuItemClick("2");' 10

step "a click on the tray icon runs the page's handler"
probe tray-click - || fail "no tray icon window"
wait_log winfn 'ExecuteScript qel.events.onTrayIconClick();' 10
touch "$WORK/menu-tray-done"
wait_log winfn 'PostWebMessageAsJson {"uuid": "getborder", "success": true, "result": "dialog"}' 20

[ -z "$(log_lines winfn '^PostWebMessage.*"uuid": "border"')" ] || fail "setBorder replied"
echo "PASS"
