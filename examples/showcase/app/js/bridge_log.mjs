// A small log of bridge calls for the showcase page.
const MAX_ENTRIES = 50;

function append(text, className) {
  const log = document.getElementById("log");
  const item = document.createElement("li");
  item.textContent = new Date().toLocaleTimeString() + "  " + text;
  item.className = className;
  log.prepend(item);
  while (log.children.length > MAX_ENTRIES) {
    log.lastChild.remove();
  }
}

// Logs the call and what it settled with; gives back the same result.
export function logCall(name, promise) {
  return promise.then(
    (value) => { append(name + " → " + JSON.stringify(value), "ok"); return value; },
    (error) => { append(name + " ✗ " + JSON.stringify(error), "failed"); throw error; });
}

// Calls one after another for about `milliseconds`; answers calls per second.
export async function timeRoundTrips(call, milliseconds) {
  const start = performance.now();
  let count = 0;
  while (performance.now() - start < milliseconds) {
    await call();
    count++;
  }
  return count / ((performance.now() - start) / 1000);
}
