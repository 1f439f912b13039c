// The showcase page: calls the bridge and shows what comes back.
import { logCall, timeRoundTrips } from "./bridge_log.mjs";

const $ = (id) => document.getElementById(id);

function show(outputId, promise) {
  $(outputId).textContent = "…";
  return promise.then(
    (value) => { $(outputId).textContent = JSON.stringify(value); },
    (error) => { $(outputId).textContent = "failed: " + JSON.stringify(error); });
}

function bridge() {
  // Outside the runtime (a plain browser) there is no window.qel.
  return typeof window.qel === "object" ? window.qel : null;
}

async function start() {
  $("location").textContent = window.location.href;
  const qel = bridge();
  const badge = $("runtime-badge");
  if (!qel) {
    badge.textContent = "no bridge: open this app through Tessera";
    badge.className = "badge off";
    return;
  }
  const inRuntime = await logCall("qel.isRuntime()", qel.isRuntime());
  badge.textContent = inRuntime ? "running in Tessera" : "preview";
  badge.className = inRuntime ? "badge ok" : "badge off";
  const version = await logCall("qel.hello()", qel.hello());
  $("out-hello").textContent = JSON.stringify(version);
  $("out-runtime").textContent = JSON.stringify(inRuntime);
  document.title = "Tessera Showcase " + version;

  $("btn-hello").onclick = () => show("out-hello", logCall("qel.hello()", qel.hello()));
  $("btn-runtime").onclick = () =>
    show("out-runtime", logCall("qel.isRuntime()", qel.isRuntime()));
  $("btn-bench").onclick = async () => {
    $("out-bench").textContent = "…";
    const perSecond = await timeRoundTrips(() => qel.hello(), 500);
    $("out-bench").textContent = perSecond.toFixed(0) + " calls/s";
  };
  $("btn-close").onclick = () => {
    logCall("qel.app.close()", Promise.resolve("closing"));
    qel.app.close();
  };

  // The page decides whether the window may close.
  qel.events.onCloseQuery = () => {
    if ($("chk-keep-open").checked) {
      logCall("onCloseQuery", Promise.resolve("kept open"));
      return;
    }
    qel.app.close();
  };
  document.documentElement.dataset.ready = "true";
}

start();
