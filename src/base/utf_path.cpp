// Paths apart from the text conversions: std::filesystem::path converts
// through the C++ library's locale facets on Windows, which would otherwise
// come into every image that converts text.
#include "base/utf.h"

namespace tessera {

std::filesystem::path PathFromUtf8(std::string_view text) {
  return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

std::string PathToUtf8(const std::filesystem::path& path) {
  const std::u8string s = path.u8string();
  return std::string(s.begin(), s.end());
}

} // namespace tessera
