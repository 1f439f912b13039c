// The "App & window" page: qel.app, qel.window, qel.mainMenu, qel.trayMenu
// and qel.themes.
import { $, invoke, show, startPage, val, wire, wireSend } from "./page.mjs";

// The showcase's menus. Item IDs 101-104 open pages, 301 restores the window
// and 309 closes the app (see page.mjs); the others are only logged.
const PAGE_ITEMS = [
  { id: 101, caption: "Overview", image: "showcase/img/logo.png" },
  { id: 102, caption: "App and window" },
  { id: 103, caption: "Files and folders" },
  { id: 104, caption: "Shell and system" },
];

const MAIN_MENU = [
  { id: 1, caption: "Pages", items: PAGE_ITEMS },
  {
    id: 2, caption: "Demo", items: [
      { id: 201, caption: "Say hello", image: "showcase/img/dot.png" },
      { id: 0, caption: "-" },
      { id: 202, caption: "A disabled item", enabled: false },
      { id: 203, caption: "More", items: [{ id: 204, caption: "A nested item" }] },
    ],
  },
];

const TRAY_MENU = [
  { id: 301, caption: "Restore window", image: "showcase/img/logo.png" },
  { id: 3, caption: "Pages", items: PAGE_ITEMS },
  { id: 0, caption: "-" },
  { id: 309, caption: "Quit" },
];

// The members of an arguments object whose fields are not empty.
function filled(names, prefix) {
  const args = {};
  for (const name of names) {
    const value = val(prefix + name);
    if (value !== "") args[name] = value;
  }
  return args;
}

// One menu card: the same controls for the main menu and the tray menu.
function wireMenu(prefix, group, items) {
  $(prefix + "items").value = JSON.stringify(items, null, 2);
  // A menu that has items keeps them until it is emptied, so empty it first.
  $(prefix + "build").addEventListener("click", async () => {
    const text = val(prefix + "items");
    await show(prefix + "out-items", invoke(group + ".setItems", { items: "[]" }));
    await show(prefix + "out-items", invoke(group + ".setItems", { items: text }));
  });
  wire(prefix + "clear", prefix + "out-items", group + ".setItems", () => ({ items: "[]" }));
  wire(prefix + "update", prefix + "out-update", group + ".updateItem",
    () => filled(["id", "caption", "enabled", "image"], prefix));
}

function fillThemes(names, active) {
  const select = $("in-theme");
  select.replaceChildren(...names.map((name) => new Option(name, name, false, name === active)));
}

async function loadThemes() {
  const names = await show("out-get-themes", invoke("themes.getThemes"));
  if (!Array.isArray(names)) return;
  $("out-get-themes").textContent = names.length + " themes";
  const active = await show("out-get-theme", invoke("themes.getTheme"));
  fillThemes(names, active);
}

startPage(async (_qel, inRuntime) => {
  // qel.app
  wire("btn-in-fullscreen", "out-in-fullscreen", "app.inFullscreen");
  wireSend("btn-enter-fullscreen", "app.enterFullscreen");
  wireSend("btn-exit-fullscreen", "app.exitFullscreen");
  wire("btn-get-args", "out-get-args", "app.getArgs");
  wire("btn-navigate", "out-navigate", "app.navigate", () => ({ url: val("in-url") }));

  // qel.window
  wire("btn-get-style", "out-get-style", "window.getStyle");
  wire("btn-set-style", "out-set-style", "window.setStyle", () => ({ style: val("in-style") }));
  wire("btn-get-state", "out-get-state", "window.getState");
  wire("btn-set-state", "out-set-state", "window.setState", () => ({ state: val("in-state") }));
  wire("btn-get-title", "out-get-title", "window.getTitle");
  wire("btn-set-title", "out-set-title", "window.setTitle", () => ({ title: val("in-title") }));
  wire("btn-get-zoom", "out-get-zoom", "window.getZoom");
  wire("btn-set-zoom", "out-set-zoom", "window.setZoom", () => ({ factor: val("in-zoom") }));
  wire("btn-get-size", "out-get-size", "window.getSize", undefined, {
    then: (size) => {
      for (const name of ["left", "top", "width", "height"]) $("in-" + name).value = size[name];
    },
  });
  wire("btn-set-size", "out-set-size", "window.setSize",
    () => filled(["left", "top", "width", "height"], "in-"));
  wire("btn-get-border", "out-get-border", "window.getBorder", undefined, {
    then: (border) => { $("in-border").value = border; },
  });
  wireSend("btn-set-border", "window.setBorder", () => ({ border: val("in-border") }));

  // qel.mainMenu and qel.trayMenu
  wireMenu("mm-", "mainMenu", MAIN_MENU);
  wireMenu("tm-", "trayMenu", TRAY_MENU);
  wire("tm-show", "tm-out-icon", "trayMenu.showIcon");
  wire("tm-hide", "tm-out-icon", "trayMenu.hideIcon");

  // qel.themes
  $("btn-get-themes").addEventListener("click", loadThemes);
  wire("btn-get-theme", "out-get-theme", "themes.getTheme");
  $("btn-set-theme").addEventListener("click", async () => {
    await show("out-set-theme", invoke("themes.setTheme", { name: val("in-theme") }));
    await show("out-get-theme", invoke("themes.getTheme"));
  });

  // Functions that answer outside a package too fill in at once; the
  // runtime-only ones would show a message box there, so only in the runtime.
  show("out-in-fullscreen", invoke("app.inFullscreen"));
  show("out-get-title", invoke("window.getTitle"));
  show("out-get-zoom", invoke("window.getZoom"));
  if (inRuntime) {
    show("out-get-border", invoke("window.getBorder"))
      .then((border) => { if (border) $("in-border").value = border; });
    loadThemes();
  }
});
