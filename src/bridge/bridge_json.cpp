#include "bridge/bridge_json.h"

#include "base/utf.h"

#include <cstdint>

namespace tessera {

const TJsonValue* TJsonValue::Find(std::string_view key) const {
  for (auto it = FMembers.rbegin(); it != FMembers.rend(); ++it) {
    if (it->first == key) {
      return &it->second;
    }
  }
  return nullptr;
}

// A recursive-descent reader over the message text. Recursion is bounded by
// TJsonLimits::MaxDepth, so a nesting bomb fails cleanly instead of running
// off the stack; the tree it builds is as deep at most, so freeing it is
// bounded too.
class TJsonReader {
public:
  TJsonReader(std::string_view text, const TJsonLimits& limits) : FText(text), FLimits(limits) {}

  bool ReadDocument(TJsonValue& value) {
    SkipBlanks();
    if (!ReadValue(value, 0)) {
      return false;
    }
    SkipBlanks();
    return FPos == FText.size();
  }

private:
  bool AtEnd() const { return FPos >= FText.size(); }
  char Peek() const { return FText[FPos]; }

  void SkipBlanks() {
    while (!AtEnd() && (Peek() == ' ' || Peek() == '\t' || Peek() == '\n' || Peek() == '\r')) {
      ++FPos;
    }
  }

  bool Consume(std::string_view word) {
    if (FText.substr(FPos, word.size()) != word) {
      return false;
    }
    FPos += word.size();
    return true;
  }

  bool CountValue() { return ++FValues <= FLimits.MaxValues; }

  bool ReadValue(TJsonValue& value, int depth) {
    if (AtEnd() || !CountValue()) {
      return false;
    }
    switch (Peek()) {
    case '{':
      return ReadObject(value, depth + 1);
    case '[':
      return ReadArray(value, depth + 1);
    case '"':
      value.FKind = TJsonValue::TKind::String;
      return ReadString(value.FText);
    case 't':
      value.FKind = TJsonValue::TKind::Boolean;
      value.FBoolean = true;
      return Consume("true");
    case 'f':
      value.FKind = TJsonValue::TKind::Boolean;
      return Consume("false");
    case 'n':
      return Consume("null");
    default:
      value.FKind = TJsonValue::TKind::Number;
      return ReadNumber(value.FText);
    }
  }

  bool ReadObject(TJsonValue& value, int depth) {
    if (depth > FLimits.MaxDepth) {
      return false;
    }
    value.FKind = TJsonValue::TKind::Object;
    ++FPos; // {
    SkipBlanks();
    if (!AtEnd() && Peek() == '}') {
      ++FPos;
      return true;
    }
    for (;;) {
      SkipBlanks();
      if (AtEnd() || Peek() != '"') {
        return false;
      }
      TJsonValue::TMember& member = value.FMembers.emplace_back();
      if (!ReadString(member.first)) {
        return false;
      }
      SkipBlanks();
      if (!Consume(":")) {
        return false;
      }
      SkipBlanks();
      if (!ReadValue(member.second, depth)) {
        return false;
      }
      SkipBlanks();
      if (Consume("}")) {
        return true;
      }
      if (!Consume(",")) {
        return false;
      }
    }
  }

  bool ReadArray(TJsonValue& value, int depth) {
    if (depth > FLimits.MaxDepth) {
      return false;
    }
    value.FKind = TJsonValue::TKind::Array;
    ++FPos; // [
    SkipBlanks();
    if (!AtEnd() && Peek() == ']') {
      ++FPos;
      return true;
    }
    for (;;) {
      SkipBlanks();
      if (!ReadValue(value.FItems.emplace_back(), depth)) {
        return false;
      }
      SkipBlanks();
      if (Consume("]")) {
        return true;
      }
      if (!Consume(",")) {
        return false;
      }
    }
  }

  static bool IsDigit(char c) { return c >= '0' && c <= '9'; }

  bool ReadDigits() {
    const size_t start = FPos;
    while (!AtEnd() && IsDigit(Peek())) {
      ++FPos;
    }
    return FPos > start;
  }

  // -?(0|[1-9][0-9]*)(\.[0-9]+)?([eE][+-]?[0-9]+)?, kept as written.
  bool ReadNumber(std::string& text) {
    const size_t start = FPos;
    if (Peek() == '-') {
      ++FPos;
    }
    if (AtEnd() || !IsDigit(Peek())) {
      return false;
    }
    if (Peek() == '0') {
      ++FPos;
    } else {
      ReadDigits();
    }
    if (!AtEnd() && Peek() == '.') {
      ++FPos;
      if (!ReadDigits()) {
        return false;
      }
    }
    if (!AtEnd() && (Peek() == 'e' || Peek() == 'E')) {
      ++FPos;
      if (!AtEnd() && (Peek() == '+' || Peek() == '-')) {
        ++FPos;
      }
      if (!ReadDigits()) {
        return false;
      }
    }
    text.assign(FText.substr(start, FPos - start));
    return true;
  }

  bool ReadHex4(char32_t& unit) {
    if (FText.size() - FPos < 4) {
      return false;
    }
    unit = 0;
    for (int i = 0; i < 4; ++i) {
      const char c = FText[FPos++];
      unit <<= 4;
      if (c >= '0' && c <= '9') {
        unit |= static_cast<char32_t>(c - '0');
      } else if (c >= 'a' && c <= 'f') {
        unit |= static_cast<char32_t>(c - 'a' + 10);
      } else if (c >= 'A' && c <= 'F') {
        unit |= static_cast<char32_t>(c - 'A' + 10);
      } else {
        return false;
      }
    }
    return true;
  }

  // After "\u": one code unit, or a surrogate pair written as two escapes.
  bool ReadUnicodeEscape(std::string& out) {
    char32_t unit = 0;
    if (!ReadHex4(unit)) {
      return false;
    }
    if (unit >= 0xD800 && unit <= 0xDBFF && FText.substr(FPos, 2) == "\\u") {
      const size_t afterHigh = FPos;
      FPos += 2;
      char32_t low = 0;
      if (!ReadHex4(low)) {
        return false;
      }
      if (low >= 0xDC00 && low <= 0xDFFF) {
        AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
        return true;
      }
      FPos = afterHigh; // the next escape stands on its own
    }
    if (unit >= kFirstEscapedByte && unit <= kLastEscapedByte) {
      // A byte of a name that is not UTF-8, as StringToJsonString wrote it.
      out.push_back(static_cast<char>(unit - 0xDC00));
      return true;
    }
    AppendUtf8(out, unit); // any other lone surrogate becomes U+FFFD
    return true;
  }

  // Copies one raw UTF-8 sequence, or writes U+FFFD for a malformed one
  // and skips a single byte.
  void CopyUtf8Sequence(std::string& out) {
    const auto byte = [this](size_t at) { return static_cast<uint8_t>(FText[at]); };
    const uint8_t lead = byte(FPos);
    size_t length = 0;
    char32_t cp = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
      cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      cp = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      cp = lead & 0x07;
    }
    bool valid = length != 0 && FText.size() - FPos >= length;
    for (size_t i = 1; valid && i < length; ++i) {
      const uint8_t next = byte(FPos + i);
      valid = (next & 0xC0) == 0x80;
      cp = (cp << 6) | (next & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are malformed.
    valid = valid && !(length == 3 && cp < 0x800) && !(cp >= 0xD800 && cp <= 0xDFFF) &&
            !(length == 4 && (cp < 0x10000 || cp > 0x10FFFF));
    if (valid) {
      out.append(FText.substr(FPos, length));
      FPos += length;
    } else {
      AppendUtf8(out, 0xFFFD);
      ++FPos;
    }
  }

  bool ReadString(std::string& out) {
    ++FPos; // opening quote
    for (;;) {
      if (AtEnd()) {
        return false;
      }
      const auto c = static_cast<uint8_t>(Peek());
      if (c == '"') {
        ++FPos;
        return true;
      }
      if (c < 0x20) {
        return false;
      }
      if (c >= 0x80) {
        CopyUtf8Sequence(out);
        continue;
      }
      ++FPos;
      if (c != '\\') {
        out.push_back(static_cast<char>(c));
        continue;
      }
      if (AtEnd()) {
        return false;
      }
      const char escape = FText[FPos++];
      switch (escape) {
      case '"':
      case '\\':
      case '/':
        out.push_back(escape);
        break;
      case 'b':
        out.push_back('\b');
        break;
      case 'f':
        out.push_back('\f');
        break;
      case 'n':
        out.push_back('\n');
        break;
      case 'r':
        out.push_back('\r');
        break;
      case 't':
        out.push_back('\t');
        break;
      case 'u':
        if (!ReadUnicodeEscape(out)) {
          return false;
        }
        break;
      default:
        return false;
      }
    }
  }

  std::string_view FText;
  const TJsonLimits& FLimits;
  size_t FPos = 0;
  size_t FValues = 0;
};

std::optional<TJsonValue> ParseJson(std::string_view text, const TJsonLimits& limits) {
  TJsonValue value;
  TJsonReader reader(text, limits);
  if (!reader.ReadDocument(value)) {
    return std::nullopt;
  }
  return value;
}

} // namespace tessera
