#include "functions/window_values.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <utility>

namespace tessera {

namespace {

constexpr std::array<std::pair<TWindowState, std::string_view>, 3> kStateNames = {{
    {TWindowState::Normal, "normal"},
    {TWindowState::Minimized, "minimized"},
    {TWindowState::Maximized, "maximized"},
}};

constexpr std::array<std::string_view, 6> kBorderNames = {"none",   "single",     "sizeable",
                                                          "dialog", "toolwindow", "sizetoolwindow"};

} // namespace

std::string_view WindowStateName(TWindowState state) {
  for (const auto& [value, name] : kStateNames) {
    if (value == state)
      return name;
  }
  return "normal";
}

std::optional<TWindowState> WindowStateFromName(std::string_view name) {
  for (const auto& [value, stateName] : kStateNames) {
    if (stateName == name)
      return value;
  }
  return std::nullopt;
}

std::string_view BorderStyleName(TBorderStyle style) {
  const auto index = static_cast<size_t>(style);
  return index < kBorderNames.size() ? kBorderNames[index] : "sizeable";
}

std::optional<TBorderStyle> BorderStyleFromName(std::string_view name) {
  for (size_t i = 0; i < kBorderNames.size(); ++i) {
    if (kBorderNames[i] == name)
      return static_cast<TBorderStyle>(i);
  }
  return std::nullopt;
}

TBorderStyle BorderStyleFromSetting(std::int32_t value) {
  if (value < 0 || value >= static_cast<std::int32_t>(kBorderNames.size()))
    return TBorderStyle::Sizeable;
  return static_cast<TBorderStyle>(value);
}

std::string ZoomFactorText(double factor, std::string_view decimalSeparator) {
  // "%.15g" is the shortest form with up to 15 significant digits. The C
  // library writes the radix of the process locale (GTK sets the user's),
  // so whatever stands between the digits is taken for it and replaced.
  // (std::to_chars would ignore the locale, but it links the C++ library's
  // 170 KB of conversion tables into the image for this one call.)
  std::array<char, 64> buffer{};
  const int length = std::snprintf(buffer.data(), buffer.size(), "%.15g", factor);
  if (length <= 0 || static_cast<size_t>(length) >= buffer.size())
    return "0";
  const std::string_view printed(buffer.data(), static_cast<size_t>(length));
  if (!std::isfinite(factor))
    return std::string(printed);
  std::string text;
  bool inRadix = false;
  for (const char c : printed) {
    const bool numeric = (c >= '0' && c <= '9') || c == '-' || c == '+' || c == 'e';
    if (!numeric && !inRadix)
      text.append(decimalSeparator);
    if (numeric)
      text.push_back(c);
    inRadix = !numeric;
  }
  return text;
}

std::optional<double> ZoomFactorFromText(std::string_view text) {
  // from_chars takes no "+" and no blanks; a leading "+" is a valid sign.
  if (!text.empty() && text.front() == '+')
    text.remove_prefix(1);
  if (text.empty() || !(std::isdigit(static_cast<unsigned char>(text.front())) ||
                        text.front() == '-' || text.front() == '.'))
    return std::nullopt;
  double value = 0.0;
  const char* const end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value, std::chars_format::general);
  if (ec != std::errc() || ptr != end || !std::isfinite(value))
    return std::nullopt;
  return value;
}

std::int32_t LeadingInteger(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
    ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  std::int64_t value = 0;
  constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = std::min(value * 10 + (text[i] - '0'), kLimit);
  }
  if (negative)
    value = -value;
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(
      value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

} // namespace tessera
