#include "bridge/page_events.h"

#include "base/str_utils.h"

#include <utility>

namespace tessera {

namespace {

std::string EventCall(std::string_view handler, std::string_view arguments) {
  std::string script = "qel.events.";
  script += handler;
  script += '(';
  script += arguments;
  script += ");";
  return script;
}

} // namespace

std::string JavascriptStringLiteral(std::string_view text) {
  // A JSON string literal is a JavaScript one, except that engines before
  // ES2019 end a line at U+2028 and U+2029 even inside a string; those two
  // are escaped as well.
  std::string literal = TStrUtils::StringToJsonString(text);
  for (const auto& [raw, escaped] : {std::pair{std::string_view("\xE2\x80\xA8"), "\\u2028"},
                                     std::pair{std::string_view("\xE2\x80\xA9"), "\\u2029"}}) {
    for (size_t at = literal.find(raw); at != std::string::npos; at = literal.find(raw, at + 6)) {
      literal.replace(at, raw.size(), escaped);
    }
  }
  return literal;
}

std::string CloseQueryScript() {
  return EventCall("onCloseQuery", "");
}

std::string MainMenuItemClickScript(std::int32_t itemId) {
  return EventCall("onMainMenuItemClick", JavascriptStringLiteral(std::to_string(itemId)));
}

std::string TrayMenuItemClickScript(std::int32_t itemId) {
  return EventCall("onTrayMenuItemClick", JavascriptStringLiteral(std::to_string(itemId)));
}

std::string TrayIconClickScript() {
  return EventCall("onTrayIconClick", "");
}

std::string NotificationClickScript(std::string_view notificationName) {
  return EventCall("onNotificationClick", JavascriptStringLiteral(notificationName));
}

} // namespace tessera
