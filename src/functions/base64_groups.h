#pragma once

#include <string>
#include <string_view>

namespace tessera {

// Decodes base64 text the way pages have always had it decoded: the text is
// taken in groups of four characters, each giving three bytes, and a
// trailing group of fewer than four is ignored. Nothing is skipped: line
// breaks, blanks or a data-URL prefix take their place in the groups like
// any other character. "=" and every character outside the alphabet (A-Z,
// a-z, 0-9, "+", "/") count as zero bits. When the text's last character is
// "=", the output loses its last byte, and one more when the character
// before it is "=" too. Never fails.
std::string DecodeBase64Groups(std::string_view text);

} // namespace tessera
