#!/usr/bin/env bash
# The tray icon on a desktop whose panel shows StatusNotifierItems: a
# stand-in panel (sni_panel.py) on a private session bus takes the item the
# page shows and reads its menu; its click on the icon reaches the page,
# which minimizes into the tray (the window hides, as the tray shows the
# icon), and its click on a menu item brings the window back.

# A bus of its own: no desktop's panel may take the test's icon.
if [ -z "${TESSERA_E2E_PRIVATE_BUS:-}" ] && command -v dbus-run-session >/dev/null; then
  TESSERA_E2E_PRIVATE_BUS=1 exec dbus-run-session -- bash "$0" "$@"
fi
source "$(dirname "$0")/e2e_lib.sh"
# Debian's Python, which has the GObject bindings.
PYTHON=/usr/bin/python3
if [ -z "${TESSERA_E2E_PRIVATE_BUS:-}" ] || ! "$PYTHON" -c 'import gi' 2>/dev/null; then
  echo "SKIP: needs dbus-run-session and python3-gi"
  exit 77
fi

new_app tray <<'INI'
ID=e2e.tray.sni
Name=Tray
DirName=app
Width=500
Height=300
INI
add_file tray index.html <<'HTML'
<!DOCTYPE html>
<html><head><script src="report.js"></script></head><body><script>
const menu = (items) => ({ items: JSON.stringify(items) });
// A click on the icon puts the window into the tray; the menu's Show
// brings it back.
qel.events.onTrayIconClick = async () => {
  report("tray-click", await qel.window.setState({ state: "minimized" }));
};
qel.events.onTrayMenuItemClick = async (id) => {
  await qel.window.setState({ state: "normal" });
  report("tray-menu-click", id);
};
async function run() {
  await qel.window.setTitle({ title: "Tray Page" });
  report("tray", [
    await qel.trayMenu.setItems(menu([{ id: 9, caption: "&Show" }, { id: 10, caption: "-" },
                                      { id: 11, caption: "More",
                                        items: [{ id: 12, caption: "Deeper" }] }])),
    await qel.trayMenu.showIcon()]);
}
run().catch((error) => report("error", String(error)));
</script></body></html>
HTML
pack_app tray

PANEL=$WORK/panel
mkdir -p "$PANEL"
"$PYTHON" "$E2E_DIR/sni_panel.py" "$PANEL" 2>"$WORK/panel-stderr.txt" &
PANEL_PID=$!
STARTED_PIDS+=("$PANEL_PID")

# wait_file PATH: waits until the panel wrote the file.
wait_file() {
  local deadline=$((SECONDS + WAIT))
  until [ -f "$1" ]; do
    if ! kill -0 "$PANEL_PID" 2>/dev/null || [ $SECONDS -ge $deadline ]; then
      cat "$WORK/panel-stderr.txt" >&2
      fail "the panel wrote no $(basename "$1")"
    fi
    sleep 0.1
  done
}
wait_file "$PANEL/ready"

step "the page shows the icon: the panel takes it and reads its menu"
start_app tray
expect_report tray tray '[true,true]'
wait_windows "Tray Page" 1
wait_file "$PANEL/layout"
grep -q '^org\.kde\.StatusNotifierItem-' "$PANEL/items" || fail "items: $(cat "$PANEL/items")"
[ "$(cat "$PANEL/title")" = "Tray" ] || fail "title: $(cat "$PANEL/title")"
expected_layout=$'_Show\n-\nMore >\n  Deeper'
[ "$(cat "$PANEL/layout")" = "$expected_layout" ] || fail "layout: $(cat "$PANEL/layout")"

step "a click on the icon reaches the page, which minimizes into the tray"
touch "$PANEL/activate"
expect_report tray tray-click 'true'
wait_windows "Tray Page" 0

step "the menu's Show reaches the page and brings the window back"
touch "$PANEL/click-_Show"
expect_report tray tray-menu-click '"9"'
wait_windows "Tray Page" 1
