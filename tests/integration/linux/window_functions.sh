#!/usr/bin/env bash
# The app and window functions and the main menu from a real page: each
# answers with the reply the page expects and changes what the window
# manager sees; a menu built from JSON is clicked and the click reaches the
# page with the item's ID as a string; the menu is replaced through an
# empty list; the tray icon, shown in an XEmbed tray (trayer), is clicked
# and its menu's item chosen.
source "$(dirname "$0")/e2e_lib.sh"

new_app winfn <<'INI'
ID=e2e.window.functions
Name=Window Functions
DirName=app
Width=700
Height=500
INI
add_file winfn index.html <<'HTML'
<!DOCTYPE html>
<html><head><script src="report.js"></script></head><body><script>
const menu = (items) => ({ items: JSON.stringify(items) });
qel.events.onMainMenuItemClick = (id) => report("menu-click", id);
qel.events.onTrayIconClick = () => report("tray-click", true);
qel.events.onTrayMenuItemClick = (id) => report("tray-menu-click", id);
async function run() {
  report("args", await qel.app.getArgs());
  report("style", [await qel.window.setStyle({ style: "ontop" }), await qel.window.getStyle()]);
  report("title", [await qel.window.setTitle({ title: "Renamed \"by\" page" }),
                   await qel.window.getTitle()]);
  // The window manager applies a new size after the call returns: the page
  // asks again on each resize (and every second, should the event come
  // before the handler is in place) until the size arrives or the test
  // gives up.
  const resized = await qel.window.setSize({ left: 40, top: 30, width: "640.7", height: 420 });
  let size = await qel.window.getSize();
  while (size.width !== 640 || size.height !== 420) {
    await new Promise((resolve) => {
      window.addEventListener("resize", resolve, { once: true });
      setTimeout(resolve, 1000);
    });
    size = await qel.window.getSize();
  }
  report("size", [resized, size]);
  // The size read back, set again, keeps the window as it is; a move after
  // it tells the test that the window manager has answered.
  for (let round = 0; round < 3; ++round)
    await qel.window.setSize(await qel.window.getSize());
  report("roundtrip", [await qel.window.setSize({ left: 50 }), await qel.window.getSize()]);
  while (!(await qel.files.fileExists({ filePath: "seen-size" })))
    await new Promise((resolve) => setTimeout(resolve, 100));
  report("border", await qel.window.getBorder());
  report("zoom", [await qel.window.setZoom({ factor: "1,5" }), await qel.window.getZoom(),
                  await qel.window.setZoom({ factor: 1.25 }), await qel.window.getZoom()]);
  report("navigate", await qel.app.navigate({ url: "" }).catch((e) => "rejected: " + e));
  report("menu", [
    await qel.mainMenu.setItems(menu([{ id: 1, caption: "File",
                                        items: [{ id: 2, caption: "Quit" }] }])),
    await qel.mainMenu.setItems(menu([{ id: 3, caption: "Ignored" }])),
    await qel.mainMenu.setItems({ items: "{" }).catch((e) => "rejected: " + e),
    await qel.mainMenu.setItems(menu([{ id: 4, caption: "Tools",
                                        items: [{ id: 5, caption: "Run" }] }])),
    await qel.mainMenu.updateItem({ id: 5, caption: "Run now" }),
    await qel.mainMenu.updateItem({ id: "abc" }).catch((e) => "rejected: " + e)]);
  report("fullscreen", [await qel.app.inFullscreen(), qel.app.enterFullscreen() && "sent",
                        await qel.app.inFullscreen()]);
  // Back to the window's frame, clear of the tray at the screen's corner,
  // once the test has seen the full screen and says so with a file beside
  // the executable.
  while (!(await qel.files.fileExists({ filePath: "seen-fullscreen" })))
    await new Promise((resolve) => setTimeout(resolve, 100));
  qel.app.exitFullscreen();
  report("tray", [await qel.trayMenu.setItems(menu([{ id: 9, caption: "Show" }])),
                  await qel.trayMenu.showIcon(), await qel.app.inFullscreen()]);
}
run().catch((error) => report("error", String(error)));
</script></body></html>
HTML
pack_app winfn

step "app and window functions answer and change the window"
start_app winfn one "two words"
wait_report winfn args
grep -Fq ',"one","two words"]' <<<"$REPORT" || fail "getArgs: $REPORT"
expect_report winfn style '[true,"ontop"]'
expect_report winfn title '[true,"Renamed \"by\" page"]'
expect_report winfn size '[true,{"top":30,"left":40,"width":640,"height":420}]'
expect_report winfn roundtrip '[true,{"top":30,"left":50,"width":640,"height":420}]'
wait_window 'Renamed "by" page' "$WAIT"
# The size and position the page set are those of the outer frame, as the
# X server and the window manager have them: the window inside it is
# smaller by the frame, and it did not grow on the round trips.
wait_geometry "$WINDOW" '[ "$OUTER_X" -eq 50 ] && [ "$OUTER_Y" -eq 30 ] && [ "$FRAME_TOP" -gt 0 ] &&
  [ "$OUTER_WIDTH" -eq 640 ] && [ "$OUTER_HEIGHT" -eq 420 ]'
touch "$WORK/winfn/seen-size"
expect_report winfn border '"sizeable"'
expect_report winfn zoom '[false,"1",true,"1.25"]'
expect_report winfn navigate '"rejected: Missing url"'
wait_property "$WINDOW" _NET_WM_STATE _NET_WM_STATE_ABOVE

step "a menu built, replaced through an empty list only, and clicked"
expect_report winfn menu '[true,true,"rejected: Wrong menu items JSON",true,true,"rejected: Wrong item ID"]'
screenshot menu.png
# F10 opens the menu bar's first menu; the first item of it is "Run now".
press "$WINDOW" F10
wait_widgets winfn "item Run now"
press "$WINDOW" Down Return
expect_report winfn menu-click '"5"'

step "full screen"
expect_report winfn fullscreen '[false,"sent",true]'
wait_property "$WINDOW" _NET_WM_STATE _NET_WM_STATE_MAXIMIZED
touch "$WORK/winfn/seen-fullscreen"

step "the tray icon in an XEmbed tray: a click, and its menu's item chosen"
expect_report winfn tray '[true,true,false]'
if command -v trayer >/dev/null; then
  trayer --edge top --align left --height 32 --widthtype request --expand false \
    --SetPartialStrut false >/dev/null 2>&1 &
  STARTED_PIDS+=("$!")
  # The icon is the application's other window, once it shows in the tray
  # (viewable: mapped, and so are the tray windows holding it).
  deadline=$((SECONDS + WAIT))
  until icon=$(xdotool search --onlyvisible --pid "$APP_PID" 2>/dev/null | grep -vx "$WINDOW" | head -n 1) &&
    [ -n "$icon" ]; do
    [ $SECONDS -lt $deadline ] || fail "the tray shows no icon"
    sleep 0.1
  done
  eval "$(xdotool getwindowgeometry --shell "$icon")"
  centre="$((X + WIDTH / 2)) $((Y + HEIGHT / 2))"
  xdotool mousemove $centre click 1
  expect_report winfn tray-click 'true'
  xdotool mousemove $centre click 3
  wait_widgets winfn "item Show"
  xdotool key Down Return
  expect_report winfn tray-menu-click '"9"'
else
  echo "trayer is not installed: tray clicks not checked"
fi

echo "PASS"
