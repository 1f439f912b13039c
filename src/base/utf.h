#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace tessera {

// Text is UTF-8 inside the system. These convert at the few places where
// UTF-16 code units matter (Win32 calls, the JSON string rule, BOM-marked
// settings text). Malformed input never fails: each bad sequence becomes
// U+FFFD, so untrusted bytes cannot stop a conversion.
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

// Appends the UTF-8 form of one code point (U+FFFD for surrogates and
// values past U+10FFFF).
void AppendUtf8(std::string& out, char32_t cp);

// Filesystem paths from and to UTF-8, the same on every platform.
std::filesystem::path PathFromUtf8(std::string_view text);
std::string PathToUtf8(const std::filesystem::path& path);

} // namespace tessera
