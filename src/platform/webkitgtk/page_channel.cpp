#include "platform/webkitgtk/page_channel.h"

#include <sys/random.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <random>

namespace tessera::webkitgtk {

std::string NewChannelToken() {
  std::uint8_t bytes[16];
  std::size_t filled = 0;
  while (filled < sizeof bytes) {
    const ssize_t count = getrandom(bytes + filled, sizeof bytes - filled, 0);
    if (count > 0) {
      filled += static_cast<std::size_t>(count);
    } else if (count != 0 || errno != EINTR) {
      // No getrandom: the library's device, which reads the same source.
      std::random_device device;
      for (; filled < sizeof bytes; ++filled)
        bytes[filled] = static_cast<std::uint8_t>(device());
    }
  }
  static constexpr char kHex[] = "0123456789abcdef";
  std::string token;
  for (const std::uint8_t byte : bytes) {
    token += kHex[byte >> 4];
    token += kHex[byte & 0xF];
  }
  return token;
}

std::string PageChannelScript(std::string_view token) {
  // The token lives in this closure only: no property, no global, nothing a
  // frame or a later script can read.
  return R"JS((() => {
  const handlers = window.webkit && window.webkit.messageHandlers;
  const handler = handlers && handlers.tessera;
  if (!handler || (window.chrome && window.chrome.webview)) return;
  const post = handler.postMessage.bind(handler);
  const token = )JS" +
         JavaScriptStringLiteral(token) + R"JS(;
  const stringify = JSON.stringify;
  const parse = JSON.parse;
  const target = new EventTarget();
  const webview = {
    postMessage(message) {
      const json = stringify(message);
      post([token, json === undefined ? "null" : json]);
    },
    addEventListener: target.addEventListener.bind(target),
    removeEventListener: target.removeEventListener.bind(target),
  };
  Object.defineProperty(webview, "__tesseraDispatch", {
    value: (text) => { target.dispatchEvent(new MessageEvent("message", {data: parse(text)})); },
  });
  // The engine asks about notifications only for a user gesture and denies
  // every other request unasked. A request goes through the web view
  // instead, which makes it again in a script of its own (one that counts
  // as a gesture), so that the web view's permission handler decides.
  const notification = window.Notification;
  if (notification && typeof notification.requestPermission === "function") {
    const request = notification.requestPermission.bind(notification);
    const waiting = [];
    const settle = (state) => { for (const resolve of waiting.splice(0)) resolve(state); };
    Object.defineProperty(notification, "requestPermission", {
      configurable: true, writable: true,
      value: function requestPermission(callback) {
        const asked = new Promise((resolve) => {
          // Decided already: the answer stands, as the engine gives it.
          if (notification.permission !== "default") { resolve(notification.permission); return; }
          waiting.push(resolve);
          if (waiting.length === 1) post([token, "", "notifications"]);
        });
        return asked.then((state) => {
          if (typeof callback === "function") callback(state);
          return state;
        });
      },
    });
    Object.defineProperty(webview, "__tesseraRequestNotifications", {
      value: () => {
        if (waiting.length === 0) return;
        request().then(settle, () => settle(notification.permission));
      },
    });
  }
  Object.freeze(webview);
  if (!window.chrome) window.chrome = {};
  Object.defineProperty(window.chrome, "webview", {value: webview, enumerable: true});
})();)JS";
}

std::string JavaScriptStringLiteral(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  out += '"';
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c == 0x7F) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", c);
      out += escape;
    } else if (c == 0xE2 && i + 2 < text.size() &&
               static_cast<unsigned char>(text[i + 1]) == 0x80 &&
               (static_cast<unsigned char>(text[i + 2]) == 0xA8 ||
                static_cast<unsigned char>(text[i + 2]) == 0xA9)) {
      // Line terminators inside a literal end it in older engines.
      out += static_cast<unsigned char>(text[i + 2]) == 0xA8 ? "\\u2028" : "\\u2029";
      i += 2;
    } else {
      out += static_cast<char>(c);
    }
  }
  out += '"';
  return out;
}

namespace {

std::string HtmlText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    switch (c) {
    case '&':
      out += "&amp;";
      break;
    case '<':
      out += "&lt;";
      break;
    case '>':
      out += "&gt;";
      break;
    case '"':
      out += "&quot;";
      break;
    case '\'':
      out += "&#39;";
      break;
    default:
      out += c;
    }
  }
  return out;
}

} // namespace

std::string ErrorPageHtml(std::string_view address, std::string_view reason) {
  const std::string shownAddress = HtmlText(address);
  return "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Cannot open " + shownAddress +
         "</title><style>body{font-family:sans-serif;margin:2em;color:#222;background:#fff}"
         "h1{font-size:1.4em}code{overflow-wrap:anywhere}</style></head><body>"
         "<h1>This page cannot be opened</h1><p><code>" +
         shownAddress + "</code></p><p>" + HtmlText(reason) + "</p></body></html>";
}

std::string MessageDispatchScript(std::string_view json) {
  // Parsed in the page rather than pasted in as an expression: JSON and
  // JavaScript literals differ (a "__proto__" member would set the
  // prototype of a literal object instead of becoming a member).
  return "(() => { const w = window.chrome && window.chrome.webview; "
         "if (w && w.__tesseraDispatch) w.__tesseraDispatch(" +
         JavaScriptStringLiteral(json) + "); })();";
}

} // namespace tessera::webkitgtk
