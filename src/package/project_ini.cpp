#include "package/project_ini.h"

#include "base/ascii.h"
#include "base/stream.h"
#include "base/utf.h"
#include "package/zip_archive.h"
#include "platform/api/os_services.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tessera {

namespace {

std::string FoldName(std::string_view name) {
  return AsciiLowerCase(name);
}

// Blanks and control characters, codes 0 to 32. UTF-8 sequences of other
// characters never contain these bytes, so trimming bytes is safe.
bool IsBlank(char c) {
  return static_cast<unsigned char>(c) <= 32;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) {
    text.remove_prefix(1);
  }
  while (!text.empty() && IsBlank(text.back())) {
    text.remove_suffix(1);
  }
  return text;
}

bool StartsWith(std::string_view bytes, std::string_view prefix) {
  return bytes.substr(0, prefix.size()) == prefix;
}

std::string DecodeUtf16(std::string_view bytes, bool bigEndian) {
  std::u16string units;
  units.reserve(bytes.size() / 2);
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const auto first = static_cast<unsigned char>(bytes[i]);
    const auto second = static_cast<unsigned char>(bytes[i + 1]);
    units.push_back(bigEndian ? static_cast<char16_t>(first << 8 | second)
                              : static_cast<char16_t>(second << 8 | first));
  }
  return Utf16ToUtf8(units);
}

// The settings text as UTF-8. A byte order mark names the encoding and is
// dropped; the packager may also write plain ANSI text, which only the system
// can decode.
std::string DecodeSettingsBytes(std::string_view bytes, OsServices& os) {
  if (StartsWith(bytes, "\xEF\xBB\xBF")) {
    // Through UTF-16 and back so that malformed bytes become U+FFFD and every
    // later reader sees valid UTF-8.
    return Utf16ToUtf8(Utf8ToUtf16(bytes.substr(3)));
  }
  if (StartsWith(bytes, "\xFF\xFE")) {
    return DecodeUtf16(bytes.substr(2), false);
  }
  if (StartsWith(bytes, "\xFE\xFF")) {
    return DecodeUtf16(bytes.substr(2), true);
  }
  return os.DecodeAnsiText(bytes);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') {
    return c - '0';
  }
  if (c >= 'a' && c <= 'f') {
    return c - 'a' + 10;
  }
  if (c >= 'A' && c <= 'F') {
    return c - 'A' + 10;
  }
  return -1;
}

std::optional<std::int32_t> ParseHex(std::string_view digits) {
  if (digits.empty()) {
    return std::nullopt;
  }
  std::uint32_t value = 0;
  for (const char c : digits) {
    const int digit = HexDigit(c);
    if (digit < 0 || (value >> 28) != 0) {
      return std::nullopt;
    }
    value = value << 4 | static_cast<std::uint32_t>(digit);
  }
  // The bit pattern, so colours and other masks above 0x7FFFFFFF read as the
  // negative numbers the toolkit stores them as.
  return static_cast<std::int32_t>(value);
}

std::optional<std::int32_t> ParseDecimal(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) {
    return std::nullopt;
  }
  constexpr std::int64_t kLimit = std::int64_t{1} << 31;
  std::int64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') {
      return std::nullopt;
    }
    value = value * 10 + (c - '0');
    if (value > kLimit) {
      return std::nullopt;
    }
  }
  if (negative) {
    return static_cast<std::int32_t>(-value);
  }
  if (value == kLimit) {
    return std::nullopt;
  }
  return static_cast<std::int32_t>(value);
}

} // namespace

std::optional<std::int32_t> ParseIniInteger(std::string_view text) {
  if (StartsWith(text, "$")) {
    return ParseHex(text.substr(1));
  }
  if (StartsWith(text, "0x") || StartsWith(text, "0X")) {
    return ParseHex(text.substr(2));
  }
  return ParseDecimal(text);
}

void TProjectINI::LoadFromBytes(std::string_view bytes, OsServices& os) {
  LoadFromText(DecodeSettingsBytes(bytes, os));
}

void TProjectINI::LoadFromText(std::string_view text) {
  Clear();
  TSection* current = nullptr;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find_first_of("\r\n", pos);
    std::size_t next = end;
    if (end == std::string_view::npos) {
      end = next = text.size();
    } else if (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') {
      next = end + 2;
    } else {
      next = end + 1;
    }
    const std::string_view line = Trim(text.substr(pos, end - pos));
    pos = next;

    if (line.empty() || line.front() == ';') {
      continue;
    }
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      // A repeated header continues the section it names.
      current = &FSections[FoldName(Trim(line.substr(1, line.size() - 2)))];
      continue;
    }
    if (current == nullptr) {
      continue;
    }

    std::string_view key = line;
    std::optional<std::string> value;
    if (const std::size_t eq = line.find('='); eq != std::string_view::npos) {
      key = Trim(line.substr(0, eq));
      value = std::string(Trim(line.substr(eq + 1)));
    }
    // The last line of a key decides, also when it lacks "=": a bare key
    // after "Key=1" hides the value, and a later "Key=1" brings one back.
    (*current)[FoldName(key)] = std::move(value);
  }
}

void TProjectINI::Clear() {
  FSections.clear();
}

bool TProjectINI::SectionExists(std::string_view section) const {
  return FSections.find(FoldName(section)) != FSections.end();
}

bool TProjectINI::ValueExists(std::string_view section, std::string_view key) const {
  return FindValue(section, key) != nullptr;
}

const std::string* TProjectINI::FindValue(std::string_view section, std::string_view key) const {
  const auto sectionIt = FSections.find(FoldName(section));
  if (sectionIt == FSections.end()) {
    return nullptr;
  }
  const auto entryIt = sectionIt->second.find(FoldName(key));
  if (entryIt == sectionIt->second.end() || !entryIt->second) {
    return nullptr;
  }
  return &*entryIt->second;
}

std::string TProjectINI::ReadString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue) const {
  const std::string* value = FindValue(section, key);
  return value ? *value : std::string(defaultValue);
}

std::int32_t TProjectINI::ReadInteger(std::string_view section, std::string_view key,
                                      std::int32_t defaultValue) const {
  const std::string* value = FindValue(section, key);
  return value ? ParseIniInteger(*value).value_or(defaultValue) : defaultValue;
}

bool TProjectINI::ReadBool(std::string_view section, std::string_view key,
                           bool defaultValue) const {
  return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

std::uint32_t TProjectINI::ReadColor(std::string_view section, std::string_view key,
                                     std::uint32_t defaultValue) const {
  return static_cast<std::uint32_t>(
      ReadInteger(section, key, static_cast<std::int32_t>(defaultValue)));
}

void LoadProjectINI(const TZipArchive& archive, TProjectINI& ini, OsServices& os) {
  ini.Clear();
  const int index = archive.IndexOf(kSettingsEntryName);
  if (index < 0) {
    return;
  }
  // Checked before anything is decoded: a small entry can inflate to
  // gigabytes of line ends.
  const std::uint64_t size = archive.Entry(index).UncompressedSize;
  if (size > kMaxSettingsSize) {
    throw ESettingsError("The settings file \"" + std::string(kSettingsEntryName) + "\" is " +
                         std::to_string(size) + " bytes; at most " +
                         std::to_string(kMaxSettingsSize) + " bytes are read.");
  }
  const std::optional<std::vector<std::uint8_t>> bytes = archive.ExtractBytes(index);
  if (!bytes) {
    // Made with another password, it reads as no settings; otherwise the
    // archive is damaged and says so.
    if (archive.MadeWithAnotherPassword(index)) {
      return;
    }
    throw EZipError("Damaged ZIP archive: the settings entry \"" + std::string(kSettingsEntryName) +
                    "\" cannot be read");
  }
  ini.LoadFromBytes(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()),
                    os);
}

} // namespace tessera
