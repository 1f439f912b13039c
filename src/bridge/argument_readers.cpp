#include "bridge/argument_readers.h"

#include "base/ascii.h"

#include <charconv>
#include <cstdint>

namespace tessera {

namespace {

using TKind = TJsonValue::TKind;

// The text of a scalar member as every text reader gives it; nothing for an
// array or an object.
std::optional<std::string> ScalarText(const TJsonValue& value) {
  switch (value.Kind()) {
  case TKind::Null:
    return std::string();
  case TKind::Boolean:
    return std::string(value.BooleanValue() ? "true" : "false");
  case TKind::Number:
  case TKind::String:
    return value.Text();
  case TKind::Array:
  case TKind::Object:
    break;
  }
  return std::nullopt;
}

[[noreturn]] void RaiseConvertError(std::string_view key, std::string_view what) {
  throw EConvertError("Member \"" + std::string(key) + "\" is " + std::string(what));
}

std::string_view KindName(TKind kind) {
  switch (kind) {
  case TKind::Null:
    return "null";
  case TKind::Boolean:
    return "a boolean";
  case TKind::Number:
    return "a number";
  case TKind::String:
    return "a string";
  case TKind::Array:
    return "an array";
  case TKind::Object:
    break;
  }
  return "an object";
}

std::string ScalarOrRaise(const TJsonValue& value, std::string_view key) {
  std::optional<std::string> text = ScalarText(value);
  if (!text) {
    RaiseConvertError(key, std::string(KindName(value.Kind())) + ", not text");
  }
  return std::move(*text);
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Whether text is a number as TextToBoolean reads it; zero tells whether
// every mantissa digit is 0.
bool ReadNumberText(std::string_view text, bool& zero) {
  size_t pos = 0;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    ++pos;
  }
  size_t digits = 0;
  zero = true;
  bool point = false;
  for (; pos < text.size(); ++pos) {
    const char c = text[pos];
    if (IsDigit(c)) {
      ++digits;
      zero = zero && c == '0';
    } else if (c == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (digits == 0) {
    return false;
  }
  if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
    ++pos;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
      ++pos;
    }
    const size_t start = pos;
    while (pos < text.size() && IsDigit(text[pos])) {
      ++pos;
    }
    if (pos == start) {
      return false;
    }
  }
  return pos == text.size();
}

} // namespace

bool TextToBoolean(std::string_view text) {
  const std::string lower = AsciiLowerCase(text);
  if (lower == "true") {
    return true;
  }
  if (lower == "false") {
    return false;
  }
  bool zero = false;
  if (!ReadNumberText(text, zero)) {
    throw EConvertError("\"" + std::string(text) + "\" is not a valid boolean value");
  }
  return !zero;
}

std::string GetJsonString(const TJsonValue& data, std::string_view key,
                          std::string_view defaultValue) {
  const TJsonValue* value = data.Find(key);
  if (value == nullptr || value->IsNull()) {
    return std::string(defaultValue);
  }
  return ScalarOrRaise(*value, key);
}

bool GetJsonBoolean(const TJsonValue& data, std::string_view key, bool defaultValue) {
  const TJsonValue* value = data.Find(key);
  if (value == nullptr || value->IsNull()) {
    return defaultValue;
  }
  switch (value->Kind()) {
  case TKind::Boolean:
    return value->BooleanValue();
  case TKind::Number:
  case TKind::String:
    return TextToBoolean(value->Text());
  default:
    RaiseConvertError(key, std::string(KindName(value->Kind())) + ", not a boolean");
  }
}

std::optional<std::string> TryGetJsonString(const TJsonValue& object, std::string_view key) {
  const TJsonValue* value = object.Find(key);
  if (value == nullptr) {
    return std::nullopt;
  }
  return ScalarText(*value);
}

std::string GetRequiredString(const TJsonValue& object, std::string_view key) {
  const TJsonValue* value = object.Find(key);
  if (value == nullptr) {
    throw EJsonError("Member \"" + std::string(key) + "\" is missing");
  }
  return ScalarOrRaise(*value, key);
}

const TJsonValue& GetRequiredObject(const TJsonValue& object, std::string_view key) {
  const TJsonValue* value = object.Find(key);
  if (value == nullptr) {
    throw EJsonError("Member \"" + std::string(key) + "\" is missing");
  }
  if (!value->IsObject()) {
    RaiseConvertError(key, std::string(KindName(value->Kind())) + ", not an object");
  }
  return *value;
}

std::optional<std::int32_t> DecimalIntegerFromText(std::string_view text) {
  if (!text.empty() && text.front() == '+') {
    text.remove_prefix(1);
    if (!text.empty() && text.front() == '-') {
      return std::nullopt;
    }
  }
  std::int32_t value = 0;
  const char* const end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end || text.empty()) {
    return std::nullopt;
  }
  return value;
}

} // namespace tessera
