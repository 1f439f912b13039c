// A page with the bridge script loaded, on a fake of the web view's
// page-side messaging object (window.chrome.webview).
//
// The fake behaves like the real transport where the bridge can tell:
// - a posted message reaches the host as JSON text, so what the fake
//   records is JSON.stringify of the message (an undefined member vanishes);
// - the host replies with a JSON text that the page receives parsed, as the
//   data of a 'message' event delivered to every listener registered at
//   that moment;
// - adding the same listener twice keeps one registration.

import { readFileSync } from 'node:fs';
import vm from 'node:vm';

const scriptUrl = new URL('../../resources/qel_shared.js', import.meta.url);
export const scriptText = readFileSync(scriptUrl, 'utf8');

export class FakeWebView {
  constructor() {
    this.listeners = [];
    // One entry per postMessage: the JSON text the host gets, the object as
    // posted, and how many listeners were registered at that moment.
    this.posts = [];
    // When set, called with the posted JSON text inside postMessage and
    // returns a reply to deliver at once, before postMessage returns (a
    // host that answers faster than the page's next statement).
    this.answerAtOnce = null;
  }

  addEventListener(type, listener) {
    if (type === 'message' && !this.listeners.includes(listener)) {
      this.listeners.push(listener);
    }
  }

  removeEventListener(type, listener) {
    if (type === 'message') {
      this.listeners = this.listeners.filter((l) => l !== listener);
    }
  }

  postMessage(message) {
    const json = JSON.stringify(message);
    this.posts.push({ json, message, listenerCount: this.listeners.length });
    if (this.answerAtOnce) {
      this.deliver(this.answerAtOnce(json));
    }
  }

  // Delivers one message event whose data is the parsed JSON text.
  deliver(jsonText) {
    const event = { type: 'message', data: JSON.parse(jsonText) };
    for (const listener of [...this.listeners]) {
      listener(event);
    }
  }

  // Delivers a reply in the host's exact text form.
  reply(uuid, success, resultJson) {
    this.deliver(`{"uuid": "${uuid}", "success": ${success}, "result": ${resultJson}}`);
  }

  lastPost() {
    return this.posts[this.posts.length - 1];
  }
}

// A fresh document: a global object that is its own `window` (as in a
// browser, so `qel` is reachable by that name too), with the fake web view,
// and the bridge script run in it.
export function openPage() {
  const webview = new FakeWebView();
  const context = vm.createContext({});
  vm.runInContext('var window = globalThis;', context);
  context.window.chrome = { webview };
  const globalsBefore = Object.getOwnPropertyNames(context);
  vm.runInContext(scriptText, context, { filename: 'qel_shared.js' });
  return {
    context,
    webview,
    qel: context.qel,
    globalsBefore,
    // Runs a script text in the page, as the host does for events.
    run: (text) => vm.runInContext(text, context),
  };
}

// Follows a promise's outcome without awaiting it, so tests can see that a
// call is still pending.
export function track(promise) {
  const state = { status: 'pending', value: undefined };
  promise.then(
    (value) => Object.assign(state, { status: 'resolved', value }),
    (value) => Object.assign(state, { status: 'rejected', value }),
  );
  return state;
}

// Lets every queued promise reaction run.
export function settle() {
  return new Promise((resolve) => setImmediate(resolve));
}
