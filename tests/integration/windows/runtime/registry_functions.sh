#!/usr/bin/env bash
# qel.registry.* from a page, on the prefix's real HKEY_CURRENT_USER: the
# exact replies, and what the registry holds afterwards as reg.exe sees it.
. "$(dirname "$0")/runtime_test_lib.sh"

reg() {
  "$TESSERA_WINE_RUN" reg "$@" 2>/dev/null | tr -d '\r'
}

new_app registry <<'INI'
ID=com.tessera.test.registry
Name=Registry
DirName=app
INI
pack_app registry
page_script registry <<'SCRIPT'
quit-after 20000 3
page file:///index.html
message-json {"id":13001,"uuid":"r1","data":{"key":"Software\\TesseraIT\\Example\\Sub","name":"Greeting","value":"say \"hi\""}}
wait-for-post "uuid": "r1"
message-json {"id":13002,"uuid":"r2","data":{"key":"\\software\\tesserait\\EXAMPLE\\sub","name":"greeting"}}
wait-for-post "uuid": "r2"
message-json {"id":13002,"uuid":"r3","data":{"key":"Software\\TesseraIT\\Nothing","name":"Greeting"}}
wait-for-post "uuid": "r3"
message-json {"id":13001,"uuid":"r4","data":{"key":"Software\\TesseraIT","value":"v"}}
wait-for-post "uuid": "r4"
message-json {"id":13001,"uuid":"r5","data":{"value":"v"}}
wait-for-post "uuid": "r5"
message-json {"id":13003,"uuid":"r6","data":{"key":"Software\\TesseraIT\\Example\\Sub","name":"Greeting"}}
wait-for-post "uuid": "r6"
message-json {"id":13001,"uuid":"r7","data":{"key":"\\","name":"TesseraITRoot","value":"at the root"}}
wait-for-post "uuid": "r7"
message-json {"id":13005,"uuid":"r8","data":{"key":"HKEY_LOCAL_MACHINE\\Software"}}
wait-for-post "uuid": "r8"
message-json {"id":13006,"uuid":"r9","data":{"key":"\\"}}
wait-for-post "uuid": "r9"
message-json {"id":13002,"uuid":"r10","data":{"key":"Software\\TesseraIT\\Typed","name":"Number"}}
message-json {"id":13004,"uuid":"r11","data":{"key":"Software\\TesseraIT\\Example\\Sub","name":"Greeting"}}
wait-for-post "uuid": "r11"
message-json {"id":13003,"uuid":"r12","data":{"key":"Software\\TesseraIT\\Example\\Sub","name":"Greeting"}}
wait-for-post "uuid": "r12"
message-json {"id":13006,"uuid":"r13","data":{"key":"Software\\TesseraIT"}}
wait-for-post "uuid": "r13"
message-json {"id":13005,"uuid":"r14","data":{"key":"Software\\TesseraIT\\Example"}}
wait-for-post "uuid": "r14"
quit-after 100 0
SCRIPT

step "a REG_DWORD value written by another program"
reg add 'HKCU\Software\TesseraIT\Typed' /v Number /t REG_DWORD /d 42 /f >/dev/null
reg query 'HKCU\Software\TesseraIT\Typed' /v Number | grep -q 'REG_DWORD' || fail "reg.exe did not write the value"

step "write, read, test, delete values and keys from the page"
start_app registry
expect_exit "$APP_PID" 30 0
for reply in \
  '{"uuid": "r1", "success": true, "result": true}' \
  '{"uuid": "r2", "success": true, "result": "say \"hi\""}' \
  '{"uuid": "r3", "success": true, "result": ""}' \
  '{"uuid": "r4", "success": false, "result": "Missing value name."}' \
  '{"uuid": "r5", "success": false, "result": "Missing registry key."}' \
  '{"uuid": "r6", "success": true, "result": true}' \
  '{"uuid": "r7", "success": true, "result": true}' \
  '{"uuid": "r8", "success": true, "result": false}' \
  '{"uuid": "r9", "success": true, "result": false}' \
  '{"uuid": "r11", "success": true, "result": true}' \
  '{"uuid": "r12", "success": true, "result": false}' \
  '{"uuid": "r13", "success": true, "result": true}' \
  '{"uuid": "r14", "success": true, "result": false}'; do
  has_log registry "PostWebMessageAsJson $reply" ||
    fail "no reply $reply: $(log_lines registry '^PostWebMessage')"
done
[ -z "$(log_lines registry '^PostWebMessage.*"r10"')" ] || fail "a value that is not text was answered"

step "the registry afterwards: the value at the root is there, the deleted tree is gone"
reg query 'HKCU' /v TesseraITRoot | grep -q 'TesseraITRoot.*REG_SZ.*at the root' ||
  fail "no value at the root: $(reg query 'HKCU' /v TesseraITRoot)"
if reg query 'HKCU\Software\TesseraIT' >/dev/null 2>&1 &&
  [ -n "$(reg query 'HKCU\Software\TesseraIT')" ]; then
  fail "the deleted key is still there: $(reg query 'HKCU\Software\TesseraIT' /s)"
fi
reg query 'HKCU\Software' >/dev/null || fail "the keys beside the deleted one went too"
reg delete 'HKCU' /v TesseraITRoot /f >/dev/null
echo "PASS"
