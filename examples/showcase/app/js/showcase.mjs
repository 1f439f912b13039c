// The overview page: the bridge itself and closing the application.
import { timeRoundTrips } from "./bridge_log.mjs";
import { $, invoke, send, show, startPage } from "./page.mjs";

startPage(async (qel, inRuntime) => {
  $("out-runtime").textContent = JSON.stringify(inRuntime);
  $("btn-hello").onclick = () => show("out-hello", invoke("hello"));
  $("btn-runtime").onclick = () => show("out-runtime", invoke("isRuntime"));
  $("btn-bench").onclick = async () => {
    $("out-bench").textContent = "…";
    const perSecond = await timeRoundTrips(() => qel.hello(), 500);
    $("out-bench").textContent = perSecond.toFixed(0) + " calls/s";
  };
  $("btn-close").onclick = () => send("app.close");

  const version = await show("out-hello", invoke("hello"));
  document.title = "Tessera Showcase " + version;
});
