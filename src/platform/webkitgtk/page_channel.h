#pragma once

#include <string>
#include <string_view>

namespace tessera::webkitgtk {

// The script message handler the page-side channel posts to.
inline constexpr const char* kMessageHandlerName = "tessera";

// A fresh secret for one web view's channel: 128 random bits as hex.
std::string NewChannelToken();

// Runs at the start of every document of the top frame, before any script
// of ours or of the page: defines window.chrome.webview (postMessage,
// addEventListener, removeEventListener) over our script message handler.
// As in WebView2, frames get no channel. The handler itself is reachable
// from every frame, though, so the channel proves itself: a message travels
// as [token, JSON text of the value], the token known only to this script's
// closure and to the web view, which drops every message without it. The
// JSON is made by the page's own JSON.stringify as it was when the document
// started, so members keep their order and a page cannot spoof it later.
// Where a message comes from is the engine's to say, never the message's.
//
// The channel also carries the page's notification permission requests,
// which the engine would deny unasked without a user gesture: the page's
// Notification.requestPermission posts [token, "", kNotificationRequest],
// and the web view answers by running kNotificationRequestScript, in which
// the engine's own request counts as a gesture and reaches the web view's
// permission handler.
std::string PageChannelScript(std::string_view token);

inline constexpr const char* kNotificationRequest = "notifications";
inline constexpr const char* kNotificationRequestScript =
    "(() => { const w = window.chrome && window.chrome.webview; "
    "if (w && w.__tesseraRequestNotifications) w.__tesseraRequestNotifications(); })();";

// The page shown in place of one that could not be loaded: its title and
// text name the address, and the text says why. Both are plain text here;
// the page holds them escaped, and no script.
std::string ErrorPageHtml(std::string_view address, std::string_view reason);

// The script that delivers `json` (valid JSON) to the page as the `data` of
// a "message" event on window.chrome.webview.
std::string MessageDispatchScript(std::string_view json);

// `text` as a JavaScript string literal in double quotes; every byte that is
// not plain printable ASCII text stays as it is except the quote, the
// backslash, control characters and the two line separators U+2028/U+2029.
std::string JavaScriptStringLiteral(std::string_view text);

} // namespace tessera::webkitgtk
