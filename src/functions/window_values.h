#pragma once

#include "platform/api/toolkit.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tessera {

// How the window functions name and convert the window's properties on the
// page side. Names are compared exactly, letter case included.

// "normal", "minimized", "maximized".
std::string_view WindowStateName(TWindowState state);
std::optional<TWindowState> WindowStateFromName(std::string_view name);

// "none", "single", "sizeable", "dialog", "toolwindow", "sizetoolwindow".
std::string_view BorderStyleName(TBorderStyle style);
std::optional<TBorderStyle> BorderStyleFromName(std::string_view name);
// The settings' "WindowBorder" number; a number outside the six styles
// gives the sizeable frame, as when the window opens.
TBorderStyle BorderStyleFromSetting(std::int32_t value);

// The zoom factor as decimal text: the shortest form with up to 15
// significant digits, with `decimalSeparator` in place of ".".
std::string ZoomFactorText(double factor, std::string_view decimalSeparator);
// A decimal number with "." as separator whatever the locale: an optional
// sign, digits, an optional fraction and exponent. Nothing for anything else
// (empty, blanks, "1,5", "inf", "nan").
std::optional<double> ZoomFactorFromText(std::string_view text);

// The integer formed by the text's leading digits after blanks and an
// optional sign ("640.7" gives 640, "12px" 12, "abc" 0), held within the
// 32-bit range.
std::int32_t LeadingInteger(std::string_view text);

} // namespace tessera
