#pragma once

#include "package/resource_bytes.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tessera {

// A version as the version resource holds it: four 16-bit numbers.
using TVersionNumber = std::array<uint16_t, 4>;

// "1", "1.2", "1.2.3" or "1.2.3.4" (decimal, each at most 65535; missing
// numbers are 0); nothing for anything else.
std::optional<TVersionNumber> ParseVersionNumber(std::string_view text);
std::string FormatVersionNumber(const TVersionNumber& version);

// The strings of one language and code page ("040904B0").
struct TVersionStringTable {
  std::u16string Key;
  std::vector<std::pair<std::u16string, std::u16string>> Strings;
};

// The content of a version resource (VS_VERSIONINFO): the fixed part, the
// string tables and the translations the shell looks the strings up by.
struct TVersionInfo {
  // VS_FIXEDFILEINFO as its thirteen 32-bit fields, signature first.
  std::array<uint32_t, 13> Fixed{};
  std::vector<TVersionStringTable> Tables;
  std::vector<uint32_t> Translations; // language in the low half, code page in the high

  // An application's resource with no strings: U.S. English, Unicode.
  static TVersionInfo Blank();

  TVersionNumber FileVersion() const;
  TVersionNumber ProductVersion() const;
  void SetFileVersion(const TVersionNumber& version);
  void SetProductVersion(const TVersionNumber& version);
  // The string in the first table, if there is one.
  std::optional<std::u16string> String(std::u16string_view name) const;
  // Sets the string in every table (replacing it or adding it at the end).
  void SetString(std::u16string_view name, const std::u16string& value);
};

// Raises EResourceError when the bytes are not a version resource this
// reads (damaged lengths, blocks other than the string and variable file
// information).
TVersionInfo ParseVersionInfo(std::span<const uint8_t> bytes);

// Raises EResourceError when the result would not fit the 16-bit lengths
// of the format.
std::vector<uint8_t> BuildVersionInfo(const TVersionInfo& info);

} // namespace tessera
