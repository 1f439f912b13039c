// Added to every page of the packaged showcase for the benchmark (packed as
// the package's extra document script). Tells the runtime when the page's
// load event has fired (through the bridge log), and with ROUND_TRIPS above
// 0 then times that many qel.hello() calls one after another and shows the
// rate in the window's caption (the showcase follows its page's title).
window.addEventListener("load", () => {
  window.chrome.webview.postMessage("bench-loaded");
  const roundTrips = ROUND_TRIPS;
  if (roundTrips <= 0) return;
  setTimeout(async () => {
    const start = performance.now();
    for (let i = 0; i < roundTrips; i++) await window.qel.hello();
    document.title = "rate " + (roundTrips / ((performance.now() - start) / 1000)).toFixed(0);
  }, 300);
});
