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

// The text without the blanks and control characters (every byte up to and
// including the space) at both ends; bytes of UTF-8 sequences are kept.
constexpr std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ')
    text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ')
    text.remove_suffix(1);
  return text;
}

} // namespace tessera
