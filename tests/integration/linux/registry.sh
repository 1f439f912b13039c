#!/usr/bin/env bash
# qel.registry.* from a real page on the per-user store: a value written in
# one run of the application is read back after a restart, and the store is
# the user's one database in the XDG data folder.
source "$(dirname "$0")/e2e_lib.sh"

new_app registry <<'INI'
ID=e2e.registry
Name=Registry
DirName=app
INI
add_file registry index.html <<'HTML'
<!DOCTYPE html>
<html><head><script src="report.js"></script></head><body><script>
const key = "Software\\E2E\\Store";
async function run() {
  const before = await qel.registry.readValue({ key: key, name: "Greeting" });
  if (before === "") {
    report("write", await qel.registry.writeValue({ key: key, name: "Greeting", value: 'say "hi" \u00e9' }));
    report("parent", await qel.registry.keyExist({ key: "software\\e2e" }));
    report("missing", await qel.registry.writeValue({ value: "v" }).catch((error) => "rejected: " + error));
  } else {
    report("restarted", before);
    report("deleteKey", await qel.registry.deleteKey({ key: "\\Software\\E2E" }));
    report("gone", await qel.registry.valueExist({ key: key, name: "Greeting" }));
  }
  qel.app.close();
}
run().catch((error) => report("error", String(error)));
</script></body></html>
HTML
pack_app registry

step "the first run writes a value"
start_app registry
expect_report registry write 'true'
expect_report registry parent 'true'
expect_report registry missing '"rejected: Missing registry key."'
expect_exit "$APP_PID" "$WAIT" 0
[ -f "$XDG_DATA_HOME/tessera/registry.sqlite3" ] || fail "no store in $XDG_DATA_HOME/tessera"

step "after a restart the page reads it back, then deletes the key"
mv "$WORK/registry/bridge.log" "$WORK/registry/bridge-first.log"
start_app registry
expect_report registry restarted '"say \"hi\" é"'
expect_report registry deleteKey 'true'
expect_report registry gone 'false'
expect_exit "$APP_PID" "$WAIT" 0
echo "PASS"
