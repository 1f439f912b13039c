// A small log of bridge calls and events for the showcase pages.
const MAX_ENTRIES = 80;

function append(text, className) {
  const log = document.getElementById("log");
  if (!log) return;
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

// Logs something that is not a call's result: an event the runtime raised in
// the page, or a call sent to a function that never answers.
export function logNote(text) {
  append(text, "note");
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
