#pragma once

#include <string>
#include <string_view>

namespace tessera {

// Letter case of the ASCII letters A-Z only. Names in packages, settings and
// the MIME table match this way on every platform, whatever the locale, and
// bytes of UTF-8 sequences are never touched.
constexpr char AsciiToLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string AsciiLowerCase(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    c = AsciiToLower(c);
  }
  return lower;
}

} // namespace tessera
