#include "platform/win32/windows_api.h"

#include "base/utf.h"

namespace tessera::win32 {

// wchar_t is a UTF-16 code unit on Windows, so the portable converters do.
std::wstring Widen(std::string_view utf8) {
  const std::u16string s = Utf8ToUtf16(utf8);
  return std::wstring(s.begin(), s.end());
}

std::string Narrow(std::wstring_view utf16) {
  return Utf16ToUtf8(std::u16string(utf16.begin(), utf16.end()));
}

} // namespace tessera::win32
