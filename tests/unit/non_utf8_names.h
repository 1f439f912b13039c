#pragma once

#include <string>

namespace tessera {

// Names as a Linux file system may hold them, with the JSON string literal
// each reaches a page as: valid UTF-8 is carried as it is, and every byte
// that is not part of well-formed UTF-8 becomes the lone surrogate
// U+DC00 + byte.
struct TByteName {
  const char* What;
  std::string Bytes;
  std::string Json;
};

inline const TByteName kByteNames[] = {
    {"valid UTF-8", "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80",
     "\"caf\xC3\xA9 \\u20AC \\uD83D\\uDE00\""},
    {"Latin-1 bytes", "caf\xE9 na\xEFve", R"("caf\uDCE9 na\uDCEFve")"},
    {"a lone continuation byte", "a\x80z", R"("a\uDC80z")"},
    {"a truncated sequence", "cut\xE2\x82", R"("cut\uDCE2\uDC82")"},
    {"a sequence cut short by ASCII", "\xE2\x82x", R"("\uDCE2\uDC82x")"},
    {"an overlong slash", "over\xC0\xAFlong", R"("over\uDCC0\uDCAFlong")"},
    {"a byte that starts nothing", "\xFF\xFE", R"("\uDCFF\uDCFE")"},
    // The bytes the escape of 0x80 would have in a lenient UTF-8, and an
    // encoded surrogate pair: neither is UTF-8, so each byte is escaped.
    {"bytes that look like the escape", "\xED\xB2\x80", R"("\uDCED\uDCB2\uDC80")"},
    {"an encoded surrogate pair", "\xED\xA0\xBD\xED\xB8\x80",
     R"("\uDCED\uDCA0\uDCBD\uDCED\uDCB8\uDC80")"},
    {"escaped bytes beside valid characters", "\xC3\xA9\xE9\xC3\xA9",
     "\"\xC3\xA9\\uDCE9\xC3\xA9\""},
};

} // namespace tessera
