#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tessera {

// The script texts the host runs in the page to raise the handlers of
// window.qel.events. Whatever a script inserts (an item ID, a notification
// name) goes in through JavascriptStringLiteral, so no name can end the
// string and run as code.

// A double-quoted JavaScript string literal for text: the JSON string
// literal of TStrUtils::StringToJsonString (", \, / and control characters
// escaped, and every character from U+20AC up), with the line separators
// U+2028 and U+2029 escaped too, so the literal is safe anywhere in a
// script. Digits, ASCII letters and "-" stay as they are.
std::string JavascriptStringLiteral(std::string_view text);

// "qel.events.onCloseQuery();"
std::string CloseQueryScript();
// "qel.events.onMainMenuItemClick(\"<item ID in decimal>\");"
std::string MainMenuItemClickScript(std::int32_t itemId);
// "qel.events.onTrayMenuItemClick(\"<item ID in decimal>\");"
std::string TrayMenuItemClickScript(std::int32_t itemId);
// "qel.events.onTrayIconClick();"
std::string TrayIconClickScript();
// "qel.events.onNotificationClick(<name as a string literal>);"
std::string NotificationClickScript(std::string_view notificationName);

} // namespace tessera
