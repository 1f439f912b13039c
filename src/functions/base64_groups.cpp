#include "functions/base64_groups.h"

#include <algorithm>
#include <cstdint>

namespace tessera {

namespace {

std::uint32_t SextetOf(char c) {
  if (c >= 'A' && c <= 'Z')
    return static_cast<std::uint32_t>(c - 'A');
  if (c >= 'a' && c <= 'z')
    return static_cast<std::uint32_t>(c - 'a' + 26);
  if (c >= '0' && c <= '9')
    return static_cast<std::uint32_t>(c - '0' + 52);
  if (c == '+')
    return 62;
  if (c == '/')
    return 63;
  return 0;
}

} // namespace

std::string DecodeBase64Groups(std::string_view text) {
  const size_t groups = text.size() / 4;
  std::string bytes;
  bytes.reserve(groups * 3);
  for (size_t g = 0; g < groups; ++g) {
    std::uint32_t bits = 0;
    for (size_t k = 0; k < 4; ++k)
      bits = (bits << 6) | SextetOf(text[g * 4 + k]);
    bytes.push_back(static_cast<char>((bits >> 16) & 0xFF));
    bytes.push_back(static_cast<char>((bits >> 8) & 0xFF));
    bytes.push_back(static_cast<char>(bits & 0xFF));
  }
  size_t padding = 0;
  if (!text.empty() && text.back() == '=')
    padding = (text.size() >= 2 && text[text.size() - 2] == '=') ? 2 : 1;
  bytes.erase(bytes.size() - std::min(padding, bytes.size()));
  return bytes;
}

} // namespace tessera
