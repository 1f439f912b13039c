#pragma once

#include "base/exceptions.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tessera {

// A member that a reader requires is missing, or a request is not an object.
class EJsonError : public Exception {
public:
  using Exception::Exception;
};

// One value of a parsed bridge message. Numbers keep the text they were
// written with ("1.50", "-0", "1e400" stay as they are), because the argument
// readers hand a number to the handlers as that text. Objects keep their
// members in message order.
class TJsonValue {
public:
  enum class TKind { Null, Boolean, Number, String, Array, Object };
  using TMember = std::pair<std::string, TJsonValue>;

  TJsonValue() = default;

  TKind Kind() const { return FKind; }
  bool IsNull() const { return FKind == TKind::Null; }
  bool IsObject() const { return FKind == TKind::Object; }
  bool IsArray() const { return FKind == TKind::Array; }

  // The value of a Boolean.
  bool BooleanValue() const { return FBoolean; }
  // The decoded text of a String (UTF-8), or the text as written of a
  // Number; empty for every other kind.
  const std::string& Text() const { return FText; }
  // The items of an Array; empty for every other kind.
  const std::vector<TJsonValue>& Items() const { return FItems; }
  // The members of an Object in message order; empty for every other kind.
  const std::vector<TMember>& Members() const { return FMembers; }

  // The member named key of an Object, or nullptr (also for other kinds).
  // A name given twice means its last value, as in the page's own JSON.parse.
  const TJsonValue* Find(std::string_view key) const;

private:
  friend class TJsonReader;

  TKind FKind = TKind::Null;
  bool FBoolean = false;
  std::string FText;
  std::vector<TJsonValue> FItems;
  std::vector<TMember> FMembers;
};

// Bounds that keep a hostile message from exhausting the stack or memory.
struct TJsonLimits {
  // Arrays and objects nested deeper than this are refused. The deepest
  // legitimate request (nested menu items) is a few levels.
  int MaxDepth = 128;
  // Values (every scalar, array and object counts one) per message. Long
  // strings are one value each, so a large file's contents fit.
  std::size_t MaxValues = 1u << 18;
};

// Parses one JSON text (RFC 8259, nothing more: no comments, no trailing
// commas, no leading byte order mark) into a value. Nothing when the text
// does not parse or exceeds the limits; malformed input never raises. In
// strings, a malformed UTF-8 sequence or an unpaired surrogate escape
// becomes U+FFFD, so every text handed on is valid UTF-8.
std::optional<TJsonValue> ParseJson(std::string_view text, const TJsonLimits& limits = {});

} // namespace tessera
