#!/usr/bin/env bash
# One running instance per application: which starts may run beside it,
# and the new process a page's new window on a file: URL starts.
. "$(dirname "$0")/runtime_test_lib.sh"

id=com.tessera.test.single
new_app single <<INI
ID=$id
Name=Single
DirName=app
INI
add_file single index.html <<<"<html>index</html>"
add_file single x.html <<<"<html>x</html>"
pack_app single
page_script single <<SCRIPT
page file:///index.html
quit-after 300000 3
new-window https://example.com/
new-window file:///x.html
wait-for-file $(winpath "$WORK/first-done")
quit-after 1 0
page file:///x.html
quit-after 300 0
page file:///other.html
quit-after 300 0
SCRIPT

step "first instance; its page opens new windows on a web URL and on a file: URL"
start_app single
first=$APP_PID
wait_log single "Navigate file:///index.html" 20
wait_log single "new-window 0 https://example.com/" 20
wait_log single "new-window 1 file:///x.html" 20
# The process it starts gets the ID and the URL, quoted, and runs beside it.
wait_log single "Navigate file:///x.html" 20
log_lines single '^command-line ' | grep -q " \"$id\" \"file:///x.html\"\$" ||
  fail "new process started as: $(log_lines single '^command-line ')"
wait_log single "quit 0" 20
environments=$(log_count single CreateCoreWebView2Environment)

# Every start but (ID, URL) ends silently while the first runs; a start
# that went on would create a browser environment.
while IFS= read -r args; do
  step "start with arguments [$args] beside it: ends silently"
  eval "set -- $args"
  start_app single "$@"
  expect_exit "$APP_PID" 20 0
  [ "$(log_count single CreateCoreWebView2Environment)" -eq "$environments" ] ||
    fail "[$args] opened a window"
done <<CASES

$id
$id file:///other.html extra
other.id file:///other.html
CASES

step "start with the ID and a URL runs beside it at that URL"
start_app single "$id" file:///other.html
wait_log single "Navigate file:///other.html" 20
expect_exit "$APP_PID" 20 0
[ "$(log_count single "Navigate file:///index.html")" -eq 1 ] || fail "the start page opened again"
kill -0 "$first" 2>/dev/null || fail "the first instance ended early"
touch "$WORK/first-done"
expect_exit "$first" 60 0
echo "PASS"
