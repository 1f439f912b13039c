#!/usr/bin/env bash
# Files, folders, base64 and shell functions called from a page, on real
# files of a folder beside the application: each call's exact reply, and
# what it left on disk.
. "$(dirname "$0")/runtime_test_lib.sh"

new_app files <<'INI'
ID=com.tessera.test.files
Name=Files Probe
DirName=app
INI
add_file files data/packed.txt <<<'packed bytes'
pack_app files

# The folder the calls work in, next to the executable ("t/..." relative).
T=$WORK/files/t
mkdir -p "$T/sub" "$T/list/inner" "$T/empty" "$T/tree/branch"
echo x >"$T/tree/branch/leaf.txt"
echo x >"$T/existing.txt"
echo x >"$T/gone.txt"
echo x >"$T/list/a.txt"
echo x >"$T/list/b.log"
echo x >"$T/list/inner/c.TXT"
printf 'in here' >"$T/marker.txt"

# json_path PATH: the Windows form of PATH inside a JSON string.
json_path() {
  winpath "$1" | sed 's/\\/\\\\/g'
}
T_JSON=$(json_path "$T")
EXE_DIR_JSON=$(json_path "$WORK/files")

page_script files <<SCRIPT
quit-after 60000 3
page file:///index.html
message-json {"id":30001,"uuid":"f1","data":{"filePath":"t/existing.txt"}}
message-json {"id":30001,"uuid":"f2","data":{"filePath":"$T_JSON\\\\sub"}}
message-json {"id":40001,"uuid":"f3","data":{"dirPath":"t/sub"}}
message-json {"id":40001,"uuid":"f4","data":{"dirPath":"$T_JSON\\\\existing.txt"}}
message-json {"id":30003,"uuid":"f5","data":{"filePath":"t/written/deep/w.txt","contents":"a\\nb"}}
message-json {"id":30003,"uuid":"f6","data":{"filePath":"t/existing.txt/x.txt","contents":"a"}}
message-json {"id":30003,"uuid":"f7","data":{"contents":"a"}}
message-json {"id":30002,"uuid":"f8","data":{"filePath":"t/gone.txt"}}
message-json {"id":30002,"uuid":"f9","data":{"filePath":"t/gone.txt"}}
message-json {"id":40002,"uuid":"f10","data":{"dirPath":"t/made"}}
message-json {"id":40002,"uuid":"f11","data":{"dirPath":"t/x/y"}}
message-json {"id":40003,"uuid":"f12","data":{"dirPath":"t/tree"}}
message-json {"id":40003,"uuid":"f13","data":{"dirPath":"t/tree"}}
message-json {"id":40004,"uuid":"f14","data":{"dirPath":"t/list","fileMask":"*.txt","allDirs":true}}
message-json {"id":40004,"uuid":"f15","data":{"dirPath":"t/list","fileMask":"*.txt","allDirs":"no"}}
message-json {"id":40004,"uuid":"f16","data":{"dirPath":"t/empty","fileMask":"*.*","allDirs":true}}
message-json {"id":40004,"uuid":"f17","data":{"dirPath":"t/none","fileMask":"*.*","allDirs":true}}
message-json {"id":40004,"uuid":"f18","data":{"dirPath":"t/list","fileMask":"*.*"}}
message-json {"id":90001,"uuid":"f19","data":{"filePath":"t/b64/x.bin","contents":"QUJD"}}
message-json {"id":30004,"uuid":"f20","data":{"sourceFile":"/data/packed.txt","targetFile":"$T_JSON\\\\out.txt"}}
message-json {"id":30004,"uuid":"f21","data":{"sourceFile":"/data/none.txt","targetFile":"$T_JSON\\\\none.txt"}}
message-json {"id":40005,"uuid":"g1","data":{}}
message-json {"id":40006,"uuid":"g2","data":{}}
message-json {"id":40007,"uuid":"g3","data":{}}
message-json {"id":40008,"uuid":"g4","data":{}}
message-json {"id":40009,"uuid":"g5","data":{}}
message-json {"id":70003,"uuid":"s1","data":{"command":"echo hello"}}
message-json {"id":70003,"uuid":"s2","data":{"command":"type marker.txt","workingDir":"$T_JSON"}}
message-json {"id":70003,"uuid":"s3","data":{"command":"no_such_command_tessera"}}
message-json {"id":70003,"uuid":"s4","data":{"workingDir":"C:\\\\"}}
message-json {"id":70004,"uuid":"s5","data":{}}
message-json {"id":11004,"uuid":"s6","data":{}}
wait-for-post "uuid": "s6"
quit-after 100 0
SCRIPT

step "every call is answered"
start_app files
expect_exit "$APP_PID" 60 0

# reply UUID: the result text of the reply to that call ("true", "\"...\"").
reply() {
  local line
  line=$(log_starting files "PostWebMessageAsJson {\"uuid\": \"$1\", ") || true
  [ -n "$line" ] || fail "no reply to $1"
  [ "$(wc -l <<<"$line")" -eq 1 ] || fail "several replies to $1"
  printf '%s' "$line"
}
expect_reply() {
  local expected="PostWebMessageAsJson {\"uuid\": \"$1\", \"success\": $2, \"result\": $3}"
  local got
  got=$(reply "$1")
  [ "$got" = "$expected" ] || fail "reply to $1 is $got, expected $expected"
}

step "files and folders are tested, written and deleted where the calls say"
expect_reply f1 true true
expect_reply f2 true false
expect_reply f3 true true
expect_reply f4 true false
expect_reply f5 true true
[ "$(od -An -tx1 "$T/written/deep/w.txt" 2>/dev/null | tr -d ' \n')" = "efbbbf610d0a620d0a" ] ||
  fail "writeTextFile wrote $(od -An -tx1 "$T/written/deep/w.txt" 2>&1)"
got=$(reply f6)
case "$got" in
"PostWebMessageAsJson {\"uuid\": \"f6\", \"success\": false, \"result\": \"Cannot create file \\\"$T_JSON\\\\existing.txt\\\\x.txt\\\". "?*) ;;
*) fail "writing below a file: $got" ;;
esac
expect_reply f7 false '"Missing filePath"'
expect_reply f8 true true
expect_reply f9 true false
[ ! -e "$T/gone.txt" ] || fail "deleteFile left the file"
expect_reply f10 true true
[ -d "$T/made" ] || fail "createDir made no folder"
expect_reply f11 true false
expect_reply f12 true true
[ ! -e "$T/tree" ] || fail "deleteDir left the folder"
expect_reply f13 true false

step "listings: subfolders where they are met, paths with doubled backslashes"
# Wine lists a folder in the host's order, so either entry may come first.
a="\"$T_JSON\\\\list\\\\a.txt\""
c="\"$T_JSON\\\\list\\\\inner\\\\c.TXT\""
got=$(reply f14)
[ "$got" = "PostWebMessageAsJson {\"uuid\": \"f14\", \"success\": true, \"result\": [$a, $c]}" ] ||
  [ "$got" = "PostWebMessageAsJson {\"uuid\": \"f14\", \"success\": true, \"result\": [$c, $a]}" ] ||
  fail "recursive listing: $got"
expect_reply f15 true "[$a]"
expect_reply f16 true '[]'
expect_reply f17 false '"The specified folder does not exist."'
expect_reply f18 false '"Missing allDirs"'

step "base64 and package entries become files"
expect_reply f19 true true
[ "$(cat "$T/b64/x.bin")" = "ABC" ] || fail "decodeToFile wrote $(cat "$T/b64/x.bin")"
expect_reply f20 true true
[ "$(cat "$T/out.txt")" = "packed bytes" ] || fail "extractFile wrote $(cat "$T/out.txt")"
expect_reply f21 false '"File not found"'
[ ! -e "$T/none.txt" ] || fail "a missing entry must leave the target alone, not create it"

step "standard folders end in a backslash"
user=$(id -un)
expect_reply g1 true "\"C:\\\\users\\\\$user\\\\Temp\\\\\""
expect_reply g2 true "\"C:\\\\users\\\\$user\\\\Documents\\\\\""
expect_reply g3 true "\"C:\\\\users\\\\$user\\\\Desktop\\\\\""
expect_reply g4 true "\"$EXE_DIR_JSON\\\\\""
expect_reply g5 true "\"C:\\\\users\\\\$user\\\\AppData\\\\Roaming\\\\\""

step "console commands, window captions and adapter addresses"
expect_reply s1 true '"hello\r\n"'
expect_reply s2 true '"in here"'
got=$(reply s3)
case "$got" in
*'"success": true, "result": "'?*'"}') ;;
*) fail "a missing command should answer the interpreter's complaint: $got" ;;
esac
expect_reply s4 false '"Missing command"'
got=$(reply s5)
grep -Fq '"Files Probe"' <<<"$got" || fail "the window list lacks the main window: $got"
got=$(reply s6)
grep -Eq '^PostWebMessageAsJson \{"uuid": "s6", "success": true, "result": \[("[EWU],([0-9A-F]{2}:){5}[0-9A-F]{2}"(,"[EWU],([0-9A-F]{2}:){5}[0-9A-F]{2}")*)?\]\}$' <<<"$got" ||
  fail "adapter lines: $got"
echo "PASS"
