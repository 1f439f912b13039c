#!/usr/bin/env bash
# What web applications expect of the window they run in, on real pages:
# - the keyboard reaches the page at once, without a click, and the main
#   menu's keys still reach the menu;
# - a hash-routed start page loads, and so do a module, a style sheet and an
#   image whose names are escaped or not ASCII, while an escaped ".." stays
#   inside the application's folder;
# - a WebAssembly module compiles from its response (its type carries no
#   charset);
# - permissions asked for at load are granted;
# - a cross-origin frame gets no bridge and cannot call a native function,
#   while the top page's calls still work;
# - a missing start page shows an error page naming it, and the window still
#   closes; so does a page without the bridge.
source "$(dirname "$0")/e2e_lib.sh"
: "${WAIT:=90}"

# A file one folder above the executable's, which an escaped ".." would
# reach.
echo "outside the application" >"$WORK/secret.txt"

# closes WINDOW: the user closes the window, and the application ends.
closes() {
  close_window "$1"
  expect_exit "$APP_PID" "$WAIT" 0
}

# A web server on the loopback for the cross-origin frame, on a free port
# it picks itself and writes out.
site=$WORK/site
mkdir -p "$site"
cat >"$site/frame.html" <<'HTML'
<!DOCTYPE html>
<html><body><script>
const target = new URLSearchParams(location.search).get("target");
const request = (uuid) => ({ id: 30003, uuid: uuid,
                             data: { filePath: target, contents: "from the frame" } });
const handlers = window.webkit && window.webkit.messageHandlers;
const seen = {
  qel: typeof window.qel,
  webview: typeof (window.chrome && window.chrome.webview),
};
// Every shape a message of the page channel might have, and the bridge's
// own calls where they exist.
try {
  const raw = handlers && handlers.tessera;
  if (raw) {
    raw.postMessage(["tessera://localhost/index.html", JSON.stringify(request("frame-raw-1"))]);
    raw.postMessage(["", JSON.stringify(request("frame-raw-2"))]);
    raw.postMessage([JSON.stringify(request("frame-raw-3"))]);
    raw.postMessage(JSON.stringify(request("frame-raw-4")));
    raw.postMessage(request("frame-raw-5"));
  }
  if (window.qel) window.qel.files.writeTextFile(request("frame-qel").data);
  if (window.chrome && window.chrome.webview) window.chrome.webview.postMessage(request("frame-webview"));
  seen.posted = true;
} catch (error) {
  seen.posted = String(error);
}
parent.postMessage({ frame: seen }, "*");
</script></body></html>
HTML
python3 - "$site" >"$WORK/port.txt" 2>"$WORK/server.log" <<'PY' &
import functools, http.server, sys
handler = functools.partial(http.server.SimpleHTTPRequestHandler, directory=sys.argv[1])
server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
print(server.server_address[1], flush=True)
server.serve_forever()
PY
STARTED_PIDS+=("$!")
deadline=$((SECONDS + WAIT))
until [ -s "$WORK/port.txt" ]; do
  [ $SECONDS -lt $deadline ] || fail "the web server did not start: $(cat "$WORK/server.log")"
  sleep 0.1
done
port=$(head -n 1 "$WORK/port.txt")

new_app webapp <<'INI'
ID=e2e.web.apps
Name=Web Apps
DirName=app
IndexHtml=index.html#/settings
INI
add_file webapp index.html <<HTML
<!DOCTYPE html>
<html><head>
<script src="report.js"></script>
<link rel="stylesheet" href="%23.css">
<script type="module" src="js/a%2Bb.mjs"></script>
</head><body>
<img id="picture" src="img/café.png">
<iframe id="frame" src="http://127.0.0.1:$port/frame.html?target=$WORK/pwned.txt"></iframe>
<script>
report("route", location.hash);

async function fetched(url) {
  try {
    const response = await fetch(url);
    return response.status + " " + response.headers.get("content-type") + " " +
      (await response.text()).trim();
  } catch (error) {
    return "failed";
  }
}

// Asked for at load, with no user gesture.
Notification.requestPermission().then((state) => report("notification", state),
                                      (error) => report("notification", String(error)));
navigator.geolocation.getCurrentPosition(
  () => report("geolocation", "granted"),
  (error) => report("geolocation", error.code === error.PERMISSION_DENIED ? "denied" : "granted"),
  { timeout: 20000 });

let typed = "";
document.addEventListener("keydown", (event) => {
  if (event.key.length === 1) typed += event.key;
  if (typed.length >= 3) report("keys", typed);
});
qel.events.onMainMenuItemClick = (id) => report("menu-click", id);

// A message on the raw channel that names a source of its own.
window.webkit.messageHandlers.tessera.postMessage(
  ["https://evil.example/", JSON.stringify({ id: 10001, uuid: "spoofed", data: {} })]);

window.addEventListener("message", async (event) => {
  if (!event.data || !event.data.frame) return;
  report("frame", event.data.frame);
  // After the frame's attempts, which the bridge would have taken first.
  report("top-write", await qel.files.writeTextFile({ filePath: "$WORK/top.txt",
                                                      contents: "from the top" }));
});

window.addEventListener("load", async () => {
  report("style", getComputedStyle(document.body).color);
  const picture = document.getElementById("picture");
  report("image", picture.naturalWidth + "x" + picture.naturalHeight);
  report("literal", await fetched("lit%41.txt"));
  report("escape", await fetched("..%2Fsecret.txt"));
  report("wasm-type", await fetched("answer.wasm").then((text) => text.split(" ")[1]));
  try {
    const { instance } = await WebAssembly.instantiateStreaming(fetch("answer.wasm"));
    report("wasm", instance.exports.answer());
  } catch (error) {
    report("wasm", String(error));
  }
  const items = JSON.stringify([{ id: 1, caption: "&Tools", items: [{ id: 2, caption: "&Run" }] }]);
  report("menu", await qel.mainMenu.setItems({ items: items }));
});
</script></body></html>
HTML
add_file webapp "#.css" <<'CSS'
body { color: rgb(4, 5, 6); }
CSS
add_file webapp "js/a+b.mjs" <<'JS'
import { name } from "./café.mjs";
report("module", name);
JS
add_file webapp "js/café.mjs" <<'JS'
export const name = "café";
JS
add_file webapp "lit%41.txt" <<'TXT'
named with a percent sign
TXT
# A 2x1 PNG.
mkdir -p "$WORK/webapp/app/img"
base64 -d >"$WORK/webapp/app/img/café.png" <<'PNG'
iVBORw0KGgoAAAANSUhEUgAAAAIAAAABCAYAAAD0In+KAAAAEUlEQVR4nGP4z8DwH4QZYAwAR8oH+Rq28akAAAAASUVORK5CYII=
PNG
# A module with one function, answer(), that returns 42.
printf '\x00asm\x01\x00\x00\x00\x01\x05\x01\x60\x00\x01\x7f\x03\x02\x01\x00\x07\x0a\x01\x06answer\x00\x00\x0a\x06\x01\x04\x00\x41\x2a\x0b' \
  >"$WORK/webapp/app/answer.wasm"
pack_app webapp

start_app webapp
wait_window "Web Apps" "$WAIT"
app_window=$WINDOW

step "the start page loads with its route; escaped and non-ASCII names are found"
expect_report webapp route '"#/settings"' "$WAIT"
expect_report webapp style '"rgb(4, 5, 6)"' "$WAIT"
expect_report webapp module '"café"' "$WAIT"
expect_report webapp image '"2x1"' "$WAIT"
expect_report webapp literal '"200 text/plain; charset=utf-8 named with a percent sign"' "$WAIT"
expect_report webapp escape '"failed"' "$WAIT"

step "a WebAssembly module compiles from its response"
expect_report webapp wasm-type '"application/wasm"' "$WAIT"
expect_report webapp wasm '42' "$WAIT"

step "permissions asked for at load are granted"
expect_report webapp notification '"granted"' "$WAIT"
expect_report webapp geolocation '"granted"' "$WAIT"

step "a cross-origin frame has no bridge and its messages are dropped"
expect_report webapp frame '{"qel":"undefined","webview":"undefined","posted":true}' "$WAIT"
expect_report webapp top-write 'true' "$WAIT"
grep -Fq "from the top" "$WORK/top.txt" || fail "the top page's file was not written"
[ ! -e "$WORK/pwned.txt" ] || fail "the frame wrote a file"
if grep -aE '"(frame-[a-z0-9-]+|spoofed)"' "$WORK/webapp/bridge.log"; then
  fail "a message without the page channel's proof reached the bridge"
fi

step "typing reaches the page without a click, and the menu's keys reach the menu"
expect_report webapp menu 'true' "$WAIT"
# The window manager's focus, no click into the page.
activate "$app_window"
xdotool type --delay 60 "qel"
expect_report webapp keys '"qel"' "$WAIT"
xdotool key --clearmodifiers alt+t
# The menu takes the keys once it is shown; its item's key chooses it.
wait_widgets webapp "item Run" "$WAIT"
xdotool key --clearmodifiers r
expect_report webapp menu-click '"2"' "$WAIT"
screenshot web-apps.png
closes "$app_window"

step "a missing start page shows an error page naming it, and the window closes"
new_app missing <<'INI'
ID=e2e.web.missing
Name=Missing Page
DirName=app
IndexHtml=nothing.html
DynamicAppTitle=1
INI
pack_app missing
start_app missing
wait_window "Cannot open file:///nothing.html" "$WAIT"
screenshot missing-start-page.png
closes "$WINDOW"

step "a page without the bridge cannot answer the close request: the window closes"
new_app nobridge <<'INI'
ID=e2e.web.nobridge
Name=No Bridge
DirName=app
INI
add_file nobridge index.html <<'HTML'
<!DOCTYPE html>
<html><head><script src="report.js"></script></head><body><script>
delete window.qel;
report("ready", typeof window.qel);
</script></body></html>
HTML
pack_app nobridge
start_app nobridge
wait_window "No Bridge" "$WAIT"
expect_report nobridge ready '"undefined"' "$WAIT"
closes "$WINDOW"
echo PASS
