#include "base/str_utils.h"

#include "base/ascii.h"
#include "base/mime_table.h"
#include "base/utf.h"

#include <atomic>
#include <charconv>
#include <memory>
#include <mutex>
#include <random>

namespace tessera {

namespace {

// ---- ASCII helpers --------------------------------------------------------

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) {
    return false;
  }
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (AsciiToLower(text[i]) != AsciiToLower(prefix[i])) {
      return false;
    }
  }
  return true;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Letters, digits and "_" of ASCII, and every byte of a non-ASCII character:
// the characters a whole-word match must not touch.
bool IsWordByte(char c) {
  const auto b = static_cast<unsigned char>(c);
  return b >= 0x80 || IsDigit(c) || (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || c == '_';
}

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
  std::string out;
  out.reserve(text.size());
  size_t start = 0;
  for (;;) {
    const size_t pos = text.find(from, start);
    if (pos == std::string_view::npos) {
      break;
    }
    out.append(text.substr(start, pos - start));
    out.append(to);
    start = pos + from.size();
  }
  out.append(text.substr(start));
  return out;
}

// Leading and trailing characters up to U+0020 (spaces, tabs, CR and other
// controls) removed.
std::string_view Trim(std::string_view text) {
  size_t first = 0;
  size_t last = text.size();
  while (first < last && static_cast<unsigned char>(text[first]) <= 0x20) {
    ++first;
  }
  while (last > first && static_cast<unsigned char>(text[last - 1]) <= 0x20) {
    --last;
  }
  return text.substr(first, last - first);
}

// ---- JSON string literal --------------------------------------------------

// True when every character of text is copied as it is: printable ASCII other
// than the escaped three, and well-formed two- and three-byte sequences below
// U+20AC. Anything else (including malformed bytes, which become escaped
// lone surrogates) takes the code-unit path.
bool NeedsNoEscaping(std::string_view text) {
  const size_t n = text.size();
  size_t i = 0;
  auto continuation = [&](size_t k) {
    return k < n && (static_cast<unsigned char>(text[k]) & 0xC0) == 0x80;
  };
  while (i < n) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b < 0x80) {
      if (b < 0x20 || b == '"' || b == '\\' || b == '/') {
        return false;
      }
      ++i;
    } else if (b >= 0xC2 && b <= 0xDF) {
      if (!continuation(i + 1)) {
        return false;
      }
      i += 2;
    } else if (b >= 0xE0 && b <= 0xE2) {
      if (!continuation(i + 1) || !continuation(i + 2)) {
        return false;
      }
      const unsigned cp = ((b & 0x0Fu) << 12) |
                          ((static_cast<unsigned char>(text[i + 1]) & 0x3Fu) << 6) |
                          (static_cast<unsigned char>(text[i + 2]) & 0x3Fu);
      if (cp < 0x800 || cp >= 0x20AC) {
        return false;
      }
      i += 3;
    } else {
      return false;
    }
  }
  return true;
}

void AppendUnicodeEscape(std::string& out, char16_t unit) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  out += "\\u";
  out.push_back(kHex[(unit >> 12) & 0xF]);
  out.push_back(kHex[(unit >> 8) & 0xF]);
  out.push_back(kHex[(unit >> 4) & 0xF]);
  out.push_back(kHex[unit & 0xF]);
}

// ---- Process-wide MIME table ----------------------------------------------

struct TMimeState {
  std::mutex Lock;
  std::function<TSystemMimeTypes()> Source;
  std::atomic<const TMimeTable*> Current{nullptr};
  // Every table ever built stays alive: a caller on another thread may still
  // be reading one that SetMimeDatabaseSource has just dropped. Only a new
  // source builds a new table, so this holds one or two in practice.
  std::vector<std::unique_ptr<const TMimeTable>> Built;
};

TMimeState& MimeState() {
  // Never destroyed, so lookups from other static destructors stay valid.
  static TMimeState* const state = new TMimeState;
  return *state;
}

const TMimeTable& CurrentMimeTable() {
  TMimeState& state = MimeState();
  if (const TMimeTable* table = state.Current.load(std::memory_order_acquire)) {
    return *table;
  }
  std::lock_guard lock(state.Lock);
  if (const TMimeTable* table = state.Current.load(std::memory_order_relaxed)) {
    return *table;
  }
  TSystemMimeTypes system;
  if (state.Source) {
    try {
      system = state.Source();
    } catch (...) {
      // An unreadable system database leaves the built-in list, as on a
      // system that has none; serving files must not fail over it.
      system = {};
    }
  }
  state.Built.push_back(std::make_unique<const TMimeTable>(system));
  state.Current.store(state.Built.back().get(), std::memory_order_release);
  return *state.Built.back();
}

// ---- Random text ----------------------------------------------------------

std::mt19937_64& RandomEngine() {
  thread_local std::mt19937_64 engine{std::random_device{}()};
  return engine;
}

// The characters of text, each as its own UTF-8 string; malformed bytes are
// read as U+FFFD first so every piece is a whole character.
std::vector<std::string> SplitCharacters(std::string_view text) {
  const std::string clean = Utf16ToUtf8(Utf8ToUtf16(text));
  std::vector<std::string> characters;
  for (size_t i = 0; i < clean.size();) {
    size_t end = i + 1;
    while (end < clean.size() && (static_cast<unsigned char>(clean[end]) & 0xC0) == 0x80) {
      ++end;
    }
    characters.emplace_back(clean.substr(i, end - i));
    i = end;
  }
  return characters;
}

int HexValue(char c) {
  if (IsDigit(c)) {
    return c - '0';
  }
  const char lower = AsciiToLower(c);
  return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

// Every "%XX" of text (two hexadecimal digits, either case) as its byte;
// with plusIsSpace, every "+" as a blank. Anything else, a "%" without two
// digits after it included, is copied as it is.
std::string DecodePercentBytes(std::string_view text, bool plusIsSpace) {
  std::string bytes;
  bytes.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '+' && plusIsSpace) {
      bytes.push_back(' ');
    } else if (c == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
               HexValue(text[i + 2]) >= 0) {
      bytes.push_back(static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2])));
      i += 2;
    } else {
      bytes.push_back(c);
    }
  }
  return bytes;
}

std::string DecodeQueryItem(std::string_view item) {
  // Decoded bytes need not be UTF-8; make them so.
  const std::string bytes = DecodePercentBytes(item, true);
  return Utf16ToUtf8(Utf8ToUtf16(bytes));
}

// Parses a run of ASCII digits; false when it does not fit an int.
bool ParseInt(std::string_view digits, int& value) {
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  return error == std::errc() && end == digits.data() + digits.size();
}

} // namespace

std::string TStrUtils::StringToJsonString(std::string_view text) {
  std::string out;
  if (NeedsNoEscaping(text)) {
    out.reserve(text.size() + 2);
    out.push_back('"');
    out.append(text);
    out.push_back('"');
    return out;
  }
  const std::u16string units = Utf8ToUtf16EscapingBytes(text);
  out.reserve(units.size() + units.size() / 2 + 2);
  out.push_back('"');
  for (const char16_t unit : units) {
    switch (unit) {
    case u'"':
      out += "\\\"";
      break;
    case u'\\':
      out += "\\\\";
      break;
    case u'/':
      out += "\\/";
      break;
    case 0x08:
      out += "\\b";
      break;
    case 0x09:
      out += "\\t";
      break;
    case 0x0A:
      out += "\\n";
      break;
    case 0x0C:
      out += "\\f";
      break;
    case 0x0D:
      out += "\\r";
      break;
    default:
      if (unit < 0x20 || unit >= 0x20AC) {
        AppendUnicodeEscape(out, unit);
      } else {
        AppendUtf8(out, unit); // U+0020..U+20AB: never a surrogate half
      }
    }
  }
  out.push_back('"');
  return out;
}

std::string TStrUtils::GetFileMIMEType(std::string_view fileName) {
  return std::string(CurrentMimeTable().TypeOfFile(fileName));
}

void TStrUtils::SetMimeDatabaseSource(std::function<TSystemMimeTypes()> source) {
  TMimeState& state = MimeState();
  std::lock_guard lock(state.Lock);
  state.Source = std::move(source);
  state.Current.store(nullptr, std::memory_order_release);
}

std::vector<std::string> TStrUtils::ExplodeStrings(std::string_view separator,
                                                   std::string_view text) {
  std::vector<std::string> pieces;
  size_t start = 0;
  if (!separator.empty()) {
    for (;;) {
      const size_t pos = text.find(separator, start);
      if (pos == std::string_view::npos) {
        break;
      }
      pieces.emplace_back(text.substr(start, pos - start));
      start = pos + separator.size();
    }
  }
  pieces.emplace_back(text.substr(start));
  return pieces;
}

std::string TStrUtils::ImplodeStrings(std::string_view separator,
                                      const std::vector<std::string>& strings) {
  std::string out;
  for (size_t i = 0; i < strings.size(); ++i) {
    if (i > 0) {
      out.append(separator);
    }
    out.append(strings[i]);
  }
  return out;
}

std::string TStrUtils::AddTrailingUrlSlash(std::string_view url) {
  std::string out(url);
  if (out.empty() || out.back() != '/') {
    out.push_back('/');
  }
  return out;
}

std::string TStrUtils::GetJavascriptArrayFromMultilineString(std::string_view text) {
  std::string out;
  bool first = true;
  for (const std::string& line : ExplodeStrings("\n", text)) {
    if (line.empty()) {
      continue;
    }
    if (!first) {
      out += ", ";
    }
    first = false;
    out += '"';
    out += QuoteJavascript(Trim(line));
    out += '"';
  }
  return out;
}

std::string TStrUtils::GetControlRandomSuffix(std::string_view name) {
  return std::string(name) + "-" + GetRandomString(10, "abcdefghijklmnopqrstuvwxyz1234567890");
}

std::string TStrUtils::GetRandomString(int length, std::string_view characters) {
  if (length <= 0) {
    return {};
  }
  const std::vector<std::string> set = SplitCharacters(characters);
  if (set.empty()) {
    return {};
  }
  std::uniform_int_distribution<size_t> pick(0, set.size() - 1);
  std::string out;
  for (int i = 0; i < length; ++i) {
    out += set[pick(RandomEngine())];
  }
  return out;
}

void TStrUtils::GetUrlArguments(std::string_view url, std::vector<std::string>& arguments) {
  arguments.clear();
  const size_t question = url.find('?');
  if (question == std::string_view::npos) {
    return;
  }
  std::string_view query = url.substr(question + 1);
  query = query.substr(0, query.find('#'));
  for (const std::string& item : ExplodeStrings("&", query)) {
    if (!item.empty()) {
      arguments.push_back(DecodeQueryItem(item));
    }
  }
}

std::string TStrUtils::ContentTypeWithCharset(std::string_view mimeType) {
  // A charset means nothing to binary content, and a reader that compares
  // the whole value fails on it; text types keep it, as pages expect.
  static constexpr std::string_view kBare[] = {"application/wasm"};
  for (const std::string_view bare : kBare) {
    if (AsciiLowerCase(mimeType) == bare) {
      return std::string(mimeType);
    }
  }
  return std::string(mimeType) + "; charset=utf-8";
}

std::optional<std::string> TStrUtils::PercentDecodeUtf8(std::string_view text) {
  std::string bytes = DecodePercentBytes(text, false);
  // Well-formed UTF-8 is exactly what comes back unchanged through UTF-16.
  if (Utf16ToUtf8(Utf8ToUtf16(bytes)) != bytes) {
    return std::nullopt;
  }
  return bytes;
}

bool TStrUtils::SubStringExists(std::string_view text, std::string_view part,
                                const TSearchOptions& options) {
  if (part.empty() || part.size() > text.size()) {
    return false;
  }
  const size_t last = text.size() - part.size();
  auto matchesAt = [&](size_t at) {
    for (size_t k = 0; k < part.size(); ++k) {
      const char a = text[at + k];
      const char b = part[k];
      if (options.MatchCase ? a != b : AsciiToLower(a) != AsciiToLower(b)) {
        return false;
      }
    }
    if (options.WholeWord) {
      if (at > 0 && IsWordByte(text[at - 1])) {
        return false;
      }
      if (at < last && IsWordByte(text[at + part.size()])) {
        return false;
      }
    }
    return true;
  };
  for (size_t step = 0; step <= last; ++step) {
    if (matchesAt(options.Down ? step : last - step)) {
      return true;
    }
  }
  return false;
}

std::string TStrUtils::AddLeadingZeroes(int64_t number, int length) {
  // The magnitude as unsigned, so the most negative number has one too.
  const uint64_t magnitude =
      number < 0 ? 0 - static_cast<uint64_t>(number) : static_cast<uint64_t>(number);
  const std::string digits = std::to_string(magnitude);
  std::string out;
  if (number < 0) {
    out.push_back('-');
  }
  if (length > 0 && static_cast<size_t>(length) > digits.size()) {
    out.append(static_cast<size_t>(length) - digits.size(), '0');
  }
  out += digits;
  return out;
}

bool TStrUtils::StrToResolution(std::string_view text, int& width, int& height) {
  width = -1;
  height = -1;
  size_t i = 0;
  while (i < text.size()) {
    if (!IsDigit(text[i])) {
      ++i;
      continue;
    }
    const size_t widthStart = i;
    while (i < text.size() && IsDigit(text[i])) {
      ++i;
    }
    // A match starting inside this run would end at the same place, so the
    // run either is the width or no match starts in it.
    if (i + 1 < text.size() && text[i] == 'x' && IsDigit(text[i + 1])) {
      const size_t heightStart = i + 1;
      size_t heightEnd = heightStart;
      while (heightEnd < text.size() && IsDigit(text[heightEnd])) {
        ++heightEnd;
      }
      int w = 0;
      int h = 0;
      if (!ParseInt(text.substr(widthStart, i - widthStart), w) ||
          !ParseInt(text.substr(heightStart, heightEnd - heightStart), h)) {
        return false;
      }
      width = w;
      height = h;
      return true;
    }
  }
  return false;
}

std::string TStrUtils::QuoteJavascript(std::string_view text) {
  return ReplaceAll(ReplaceAll(text, "'", "\\x27"), "\"", "\\x22");
}

std::string TStrUtils::UnquoteJavascript(std::string_view text) {
  return ReplaceAll(ReplaceAll(text, "\\x27", "'"), "\\x22", "\"");
}

std::string TStrUtils::QuoteArguments(std::string_view text) {
  return ReplaceAll(ReplaceAll(QuoteJavascript(text), ":", "\\x3a"), "|", "\\x7c");
}

std::string TStrUtils::UnquoteArguments(std::string_view text) {
  return ReplaceAll(ReplaceAll(UnquoteJavascript(text), "\\x3a", ":"), "\\x7c", "|");
}

std::string TStrUtils::RepeatString(std::string_view text, int count) {
  std::string out;
  if (count <= 0) {
    return out;
  }
  const auto times = static_cast<size_t>(count);
  if (text.size() <= out.max_size() / times) {
    out.reserve(text.size() * times);
  }
  for (size_t i = 0; i < times; ++i) {
    out.append(text);
  }
  return out;
}

std::string TStrUtils::Capitalize(std::string_view text) {
  std::string out(text);
  if (!out.empty() && out[0] >= 'a' && out[0] <= 'z') {
    out[0] = static_cast<char>(out[0] - 'a' + 'A');
  }
  return out;
}

bool TStrUtils::FilePathIsHttpUrl(std::string_view path) {
  return StartsWithNoCase(path, "http://") || StartsWithNoCase(path, "https://");
}

bool TStrUtils::FilePathIsAppRelative(std::string_view path) {
  return StartsWithNoCase(path, "app/files/");
}

bool TStrUtils::FilePathIsPluginRelative(std::string_view path) {
  return StartsWithNoCase(path, "app/plugins/");
}

} // namespace tessera
