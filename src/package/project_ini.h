#pragma once

#include "base/exceptions.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace tessera {

class OsServices;
class TZipArchive;

// The name of the settings entry in every package.
inline constexpr std::string_view kSettingsEntryName = "qel.ini";

// Settings the application cannot start with; the message says why.
class ESettingsError : public Exception {
public:
  using Exception::Exception;
};

// Reads a settings integer: decimal with an optional "+" or "-", or
// hexadecimal after "$", "0x" or "0X" (no sign) taken as a 32-bit pattern, so
// "$FF00001A" is -16777190. Leading zeros never count against the width:
// "$000000001" is 1, but nine significant hex digits or a decimal outside the
// signed 32-bit range do not fit. Anything else (empty text, blanks inside,
// "$" alone, "-0x10", trailing junk) gives nothing. The value text of a
// settings entry is already trimmed, so surrounding blanks never reach here.
std::optional<std::int32_t> ParseIniInteger(std::string_view text);

// The application's settings, loaded once from the package's "qel.ini": named
// string values grouped in sections. Never bound to a file and never written
// back. Section and key names match with ASCII letters folded; other
// characters must match exactly. Readers never fail: a missing section or key,
// a key written without "=", or a value of the wrong form gives the default.
class TProjectINI {
public:
  // Replaces the contents with the settings in bytes. A byte order mark
  // selects UTF-8, UTF-16 LE or UTF-16 BE; text without one is in the
  // system's ANSI code page. Malformed sequences become U+FFFD; an odd
  // trailing byte of UTF-16 text is dropped.
  void LoadFromBytes(std::string_view bytes, OsServices& os);
  // Replaces the contents with already decoded UTF-8 text.
  void LoadFromText(std::string_view text);

  void Clear();

  bool SectionExists(std::string_view section) const;
  // True when the key is in the section with a value (possibly empty); a key
  // written without "=" has no value.
  bool ValueExists(std::string_view section, std::string_view key) const;

  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view defaultValue) const;
  std::int32_t ReadInteger(std::string_view section, std::string_view key,
                           std::int32_t defaultValue) const;
  // An integer whose default is 1 or 0; any non-zero value is true. Words
  // such as "true" are not numbers and give the default.
  bool ReadBool(std::string_view section, std::string_view key, bool defaultValue) const;
  // An integer in the toolkit's colour convention, as its unsigned 32-bit
  // pattern: red in the lowest byte, then green and blue, top byte 0; or
  // 0xFF000000 + n for system colour n.
  std::uint32_t ReadColor(std::string_view section, std::string_view key,
                          std::uint32_t defaultValue) const;

private:
  // Folded key -> value; no value for a key written without "=".
  using TSection = std::unordered_map<std::string, std::optional<std::string>>;

  // The entry's value, or nullptr when the section, the key or its "=" is
  // missing.
  const std::string* FindValue(std::string_view section, std::string_view key) const;

  std::unordered_map<std::string, TSection> FSections; // folded name -> section
};

// The largest settings entry that is read.
inline constexpr std::uint64_t kMaxSettingsSize = 1024 * 1024;

// Loads the package's settings entry into ini, replacing what it held. A
// missing entry, or one made with another password, gives empty settings.
// An entry over kMaxSettingsSize raises ESettingsError; one that cannot be
// read otherwise (damaged, an unknown method) raises EZipError.
void LoadProjectINI(const TZipArchive& archive, TProjectINI& ini, OsServices& os);

} // namespace tessera
