#!/usr/bin/env bash
# Calls from a page answered through the bridge with the exact reply text,
# and requests the bridge must leave unanswered.
. "$(dirname "$0")/runtime_test_lib.sh"

new_app bridge <<'INI'
ID=com.tessera.test.bridge
Name=Bridge
DirName=app
INI
pack_app bridge
page_script bridge <<'SCRIPT'
quit-after 20000 3
page file:///index.html
message-json {"id":10001,"uuid":"a1","data":{}}
wait-for-post "uuid": "a1"
message-json {"id":10002,"uuid":"a2","data":{}}
wait-for-post "uuid": "a2"
message-json {"id":99999,"uuid":"a3","data":{}}
message-json {"id":10001,"uuid":"a4"}
message-string {"id":10001,"uuid":"a5","data":{}}
message-json {"id":10001,"uuid":"a6","data":{}}
wait-for-post "uuid": "a6"
quit-after 100 0
SCRIPT

step "qel.hello() and qel.isRuntime(); an unknown ID, a request without data and a plain string get nothing"
start_app bridge
expect_exit "$APP_PID" 30 0
for reply in \
  'PostWebMessageAsJson {"uuid": "a1", "success": true, "result": "2026.1"}' \
  'PostWebMessageAsJson {"uuid": "a2", "success": true, "result": true}'; do
  has_log bridge "$reply" || fail "no reply \"$reply\": $(log_lines bridge '^PostWebMessage')"
done
for uuid in a3 a4 a5; do
  [ -z "$(log_lines bridge "^PostWebMessage.*\"$uuid\"")" ] || fail "request $uuid was answered"
done
echo "PASS"
