// What a test page sees, posted to the runtime: the bridge writes every
// message it receives to its debugging log, where the test reads it.
function report(test, value) {
  window.chrome.webview.postMessage({ test: test, value: value });
}
