#!/usr/bin/env bash
# The bridge from a real page: qel.hello() and qel.isRuntime() resolve, two
# calls in flight settle from their own replies, and malformed requests get
# no reply and leave the bridge working.
source "$(dirname "$0")/e2e_lib.sh"

new_app bridge <<'INI'
ID=e2e.bridge
Name=Bridge
DirName=app
INI
add_file bridge index.html <<'HTML'
<!DOCTYPE html>
<html><head><script src="report.js"></script></head><body><script>
const post = (message) => window.chrome.webview.postMessage(message);
async function run() {
  report("hello", await qel.hello());
  report("isRuntime", await qel.isRuntime());
  report("both", await Promise.all([qel.isRuntime(), qel.hello()]));
  post("not a request");
  post('{"id":10001,"uuid":"bad-text","data":{}');
  post({ id: "abc", uuid: "bad-id", data: {} });
  post({ id: 99999, uuid: "bad-unknown", data: {} });
  post({ id: 10001, uuid: "bad-no-data" });
  post({ id: 10001, uuid: "bad-null", data: null });
  post({ id: 10001, uuid: "bad-array", data: [] });
  post({ id: 10001, uuid: "bad-string", data: "x" });
  post({ uuid: "bad-no-id", data: {} });
  report("after", await qel.hello());
  qel.app.close();
}
run().catch((error) => report("error", String(error)));
</script></body></html>
HTML
pack_app bridge

step "hello and isRuntime resolve"
start_app bridge
expect_report bridge hello '"2026.1"'
expect_report bridge isRuntime 'true'
expect_report bridge both '[true,"2026.1"]'

step "malformed requests get no reply, and the bridge still answers"
expect_report bridge after '"2026.1"'
log=$WORK/bridge/bridge.log
grep -aF -- '-> ' "$log" | grep -aF '"bad-' && fail "a malformed request was answered"
grep -aFq -- '<- {"id":10001,"uuid":"bad-no-data"}' "$log" || fail "the request without data was not received"
replies=$(grep -ac -- '^-> ' "$log" || true)
[ "$replies" -eq 5 ] || fail "$replies replies, expected 5 (hello, isRuntime, two for both, after)"

step "qel.app.close() ends the application"
expect_exit "$APP_PID" "$WAIT" 0
echo "PASS"
