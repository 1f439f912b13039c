// What every showcase page shares: the header badge, the "keep the window
// open" choice, handlers for the events the runtime raises in the page, and
// helpers that call a native function, log the call and show what it
// settled with.
import { logCall, logNote } from "./bridge_log.mjs";

export const $ = (id) => document.getElementById(id);

// The value of a text field, a select or a text area.
export const val = (id) => $(id).value;

export function bridge() {
  // Outside the runtime (a plain browser) there is no window.qel.
  return typeof window.qel === "object" && window.qel !== null ? window.qel : null;
}

function describe(path, args) {
  return "qel." + path + "(" + (args === undefined ? "" : JSON.stringify(args)) + ")";
}

// Finds qel.<path> and calls it on the object it belongs to (qel.hello and
// qel.isRuntime use `this`), with no argument when args is undefined.
function callPath(path, args) {
  const names = path.split(".");
  let owner = bridge();
  for (const name of names.slice(0, -1)) owner = owner[name];
  const fn = owner[names[names.length - 1]];
  return args === undefined ? fn.call(owner) : fn.call(owner, args);
}

// Calls qel.<path>(args); logs the call and what it settled with.
export function invoke(path, args) {
  return logCall(describe(path, args), callPath(path, args));
}

// Calls a function that never answers (app.close, app.enterFullscreen,
// app.exitFullscreen, window.setBorder): there is nothing to wait for.
export function send(path, args) {
  logNote(describe(path, args) + " sent; this function posts no reply");
  callPath(path, args);
}

// Shows in an <output> what a call settled with. Resolves with the value,
// or with undefined after a rejection (which the output shows).
export function show(outputId, promise) {
  const out = $(outputId);
  out.textContent = "…";
  out.classList.remove("failed");
  return promise.then(
    (value) => {
      out.textContent = JSON.stringify(value);
      return value;
    },
    (error) => {
      out.textContent = "rejected: " + JSON.stringify(error);
      out.classList.add("failed");
      return undefined;
    });
}

function showInputError(outputId, error) {
  const out = $(outputId);
  out.textContent = "input: " + error.message;
  out.classList.add("failed");
}

// Makes a button call qel.<path> with the arguments readArgs builds from the
// page's fields (none when readArgs is omitted), and show the outcome.
// `then` gets the settled value. With `confirmText` (a function giving the
// question) the user is asked first.
export function wire(buttonId, outputId, path, readArgs, options = {}) {
  $(buttonId).addEventListener("click", async () => {
    if (options.confirmText && !window.confirm(options.confirmText())) {
      logNote(describe(path) + " cancelled by the user");
      return;
    }
    let args;
    try {
      args = readArgs ? readArgs() : undefined;
    } catch (error) {
      showInputError(outputId, error);
      return;
    }
    const value = await show(outputId, invoke(path, args));
    if (value !== undefined && options.then) options.then(value);
  });
}

// Makes a button call a function that never answers.
export function wireSend(buttonId, path, readArgs) {
  $(buttonId).addEventListener("click", () => send(path, readArgs ? readArgs() : undefined));
}

// The keep-open choice is kept for the session, so it holds on every page.
const KEEP_OPEN_KEY = "showcase.keepOpen";

function readKeepOpen() {
  try {
    return window.sessionStorage.getItem(KEEP_OPEN_KEY) === "1";
  } catch {
    return false;
  }
}

function storeKeepOpen(keep) {
  try {
    window.sessionStorage.setItem(KEEP_OPEN_KEY, keep ? "1" : "0");
  } catch {
    // Without storage the choice holds for this page only.
  }
}

// Menu item IDs that open a page: the showcase's own menus use them.
const PAGE_BY_MENU_ID = {
  "101": "index.html",
  "102": "window.html",
  "103": "files.html",
  "104": "system.html",
};
const TRAY_RESTORE_ID = "301";
const TRAY_QUIT_ID = "309";

function installEventHandlers(qel) {
  const keepOpen = $("chk-keep-open");
  keepOpen.checked = readKeepOpen();
  keepOpen.addEventListener("change", () => storeKeepOpen(keepOpen.checked));

  // The user asked to close the window: the page decides.
  qel.events.onCloseQuery = () => {
    if (keepOpen.checked) {
      logNote("qel.events.onCloseQuery(): kept open");
      return;
    }
    logNote("qel.events.onCloseQuery(): closing");
    qel.app.close();
  };

  // Item IDs arrive as decimal strings.
  qel.events.onMainMenuItemClick = (itemId) => {
    logNote("qel.events.onMainMenuItemClick(" + JSON.stringify(itemId) + ")");
    const page = PAGE_BY_MENU_ID[itemId];
    if (page) window.location.href = page;
  };
  qel.events.onTrayMenuItemClick = (itemId) => {
    logNote("qel.events.onTrayMenuItemClick(" + JSON.stringify(itemId) + ")");
    const page = PAGE_BY_MENU_ID[itemId];
    if (page) window.location.href = page;
    if (itemId === TRAY_RESTORE_ID) invoke("window.setState", { state: "normal" });
    if (itemId === TRAY_QUIT_ID) send("app.close");
  };
  qel.events.onTrayIconClick = () => {
    logNote("qel.events.onTrayIconClick()");
  };
  qel.events.onNotificationClick = (name) => {
    logNote("qel.events.onNotificationClick(" + JSON.stringify(name) + ")");
  };
}

// Starts a page: fills the header, installs the shared handlers and runs the
// page's own `setup(qel, inRuntime)`. Marks the document ready at the end and,
// when asked to, reports when that has been painted.
export async function startPage(setup) {
  $("location").textContent = window.location.href;
  const qel = bridge();
  const badge = $("runtime-badge");
  if (!qel) {
    badge.textContent = "no bridge: open this app through Tessera";
    badge.className = "badge off";
    return;
  }
  installEventHandlers(qel);
  const inRuntime = await logCall("qel.isRuntime()", qel.isRuntime());
  badge.textContent = inRuntime ? "running in Tessera" : "preview";
  badge.className = inRuntime ? "badge ok" : "badge off";
  await setup(qel, inRuntime);
  document.documentElement.dataset.ready = "true";
  if (inRuntime) await reportPainted(qel);
}

// Resolves once the page as it stands has been painted: the callback of the
// next frame runs before that frame is drawn, the one after it only once it
// has been.
function afterNextPaint() {
  return new Promise((resolve) => requestAnimationFrame(() => requestAnimationFrame(resolve)));
}

// Started with --painted-marker=FILE (scripts/run-example does, to know when
// to take its screenshot), the page writes FILE once it has been painted
// ready. Other starts give no such argument and nothing is written.
async function reportPainted(qel) {
  const prefix = "--painted-marker=";
  const args = await qel.app.getArgs();
  const option = args.slice(1).find((arg) => arg.startsWith(prefix));
  if (!option) return;
  await afterNextPaint();
  await qel.files.writeTextFile({ filePath: option.slice(prefix.length), contents: window.location.href });
}
