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

// A name on Linux is any bytes but "/" and NUL, UTF-8 or not. Where such
// bytes must reach a page and come back unchanged, each byte that is not
// part of well-formed UTF-8 (always 0x80..0xFF) travels as the lone low
// surrogate U+DC00 + byte, U+DC80..U+DCFF: no well-formed text holds one, a
// JSON "\uDCxx" escape carries it and a JavaScript string keeps it.
constexpr char16_t kFirstEscapedByte = 0xDC80;
constexpr char16_t kLastEscapedByte = 0xDCFF;
// As Utf8ToUtf16, with each malformed byte escaped instead of replaced.
std::u16string Utf8ToUtf16EscapingBytes(std::string_view text);

// Appends the UTF-8 form of one code point (U+FFFD for surrogates and
// values past U+10FFFF).
void AppendUtf8(std::string& out, char32_t cp);

// Filesystem paths from and to UTF-8, the same on every platform.
std::filesystem::path PathFromUtf8(std::string_view text);
std::string PathToUtf8(const std::filesystem::path& path);

} // namespace tessera
