#!/usr/bin/env bash
# Visual themes: qel.themes answered with the exact reply texts, the theme
# of qel.ini active from the start, and a theme that matches none reported
# in the style manager's dialog while the application still opens.
. "$(dirname "$0")/runtime_test_lib.sh"

# theme_app NAME [SETTINGS...]: packs an application with those settings.
theme_app() {
  local name=$1
  shift
  { printf 'ID=com.tessera.test.%s\nName=%s\nDirName=app\n' "$name" "$name"; printf '%s\n' "$@"; } |
    new_app "$name"
  pack_app "$name"
}

# expect_reply NAME UUID RESULT: the page got exactly this success reply.
expect_reply() {
  local reply="PostWebMessageAsJson {\"uuid\": \"$2\", \"success\": true, \"result\": $3}"
  # grep reads the whole log: one that stops at the first match (-q) can
  # make tr fail on a closed pipe, which pipefail turns into a miss.
  tr -d '\r' <"$WORK/$1/engine.log" | grep -aFx -- "$reply" >/dev/null ||
    fail "no reply \"$reply\": $(log_lines "$1" "^PostWebMessage.*\"$2\"")"
}

theme_app switching
page_script switching <<'SCRIPT'
quit-after 30000 3
page file:///index.html
message-json {"id":80002,"uuid":"list","data":{}}
wait-for-post "uuid": "list"
message-json {"id":80001,"uuid":"start","data":{}}
wait-for-post "uuid": "start"
message-json {"id":80003,"uuid":"carbon","data":{"name":"Carbon"}}
wait-for-post "uuid": "carbon"
message-json {"id":80001,"uuid":"afterCarbon","data":{}}
wait-for-post "uuid": "afterCarbon"
message-json {"id":80003,"uuid":"nonexistent","data":{"name":"Nonexistent"}}
wait-for-post "uuid": "nonexistent"
message-json {"id":80001,"uuid":"afterNonexistent","data":{}}
wait-for-post "uuid": "afterNonexistent"
message-json {"id":80003,"uuid":"windows","data":{"name":"Windows"}}
wait-for-post "uuid": "windows"
message-json {"id":80001,"uuid":"afterWindows","data":{}}
wait-for-post "uuid": "afterWindows"
quit-after 100 0
SCRIPT

step "the forty themes sorted; switching by exact name"
start_app switching
expect_exit "$APP_PID" 40 0
expect_reply switching list '["Amakrits","Amethyst Kamri","Aqua Graphite","Aqua Light Slate","Auric","Carbon","Charcoal Dark Slate","Cobalt XEMedia","Cyan Dusk","Cyan Night","Emerald Light Slate","Glossy","Glow","Golden Graphite","Iceberg Classico","Lavender Classico","Light","Luna","Metropolis UI Black","Metropolis UI Blue","Metropolis UI Dark","Metropolis UI Green","Obsidian","Onyx Blue","Ruby Graphite","Sapphire Kamri","Silver","Sky","Slate Classico","Smokey Quartz Kamri","Tablet Dark","Tablet Light","Turquoise Gray","Windows","Windows10","Windows10 Blue","Windows10 Dark","Windows10 Green","Windows10 Purple","Windows10 SlateGray"]'
expect_reply switching start '"Windows"'
expect_reply switching carbon 'true'
expect_reply switching afterCarbon '"Carbon"'
expect_reply switching nonexistent 'false'
expect_reply switching afterNonexistent '"Carbon"'
expect_reply switching windows 'true'
expect_reply switching afterWindows '"Windows"'

theme_app configured "Theme=Carbon"
page_script configured <<'SCRIPT'
quit-after 30000 3
page file:///index.html
message-json {"id":80001,"uuid":"start","data":{}}
wait-for-post "uuid": "start"
quit-after 100 0
SCRIPT

step "the theme of qel.ini is active from the start"
start_app configured
expect_exit "$APP_PID" 40 0
expect_reply configured start '"Carbon"'

theme_app unknown "Theme=Nope"
cp "$WORK/configured/page.txt" "$WORK/unknown/page.txt"

step "a theme that matches none: the style manager's dialog, then the application opens"
start_app unknown
expect_dialog "Error" "Style 'Nope' not found" "OK"
screenshot unknown-theme
send_keys "$WINDOW" Return
expect_exit "$APP_PID" 40 0
expect_reply unknown start '"Windows"'
echo "PASS"
