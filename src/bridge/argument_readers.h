#pragma once

#include "bridge/bridge_json.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tessera {

// How handlers read the members of a request's "data" object, by the kind
// of the member's value:
//
//   GetJsonString      missing or null: the default; string: its text;
//                      number: its text as written in the message; true or
//                      false: "true" or "false"; object or array: EConvertError.
//   GetJsonBoolean     missing or null: the default; string: TextToBoolean;
//                      number: zero is false, any other true; true or false:
//                      its value; object or array: EConvertError.
//   TryGetJsonString   missing, object or array: nothing; null: ""; string,
//                      number, true or false: the text as GetJsonString.
//   GetRequiredString  missing: EJsonError; null: ""; object or array:
//                      EConvertError; otherwise the text as GetJsonString.
//   GetRequiredObject  missing: EJsonError; an object: that object; any
//                      other kind: EConvertError.
//
// A number is zero when every digit before its exponent is 0 ("0", "-0.00",
// "0e5"). A value that is not an object has no members: every key is
// missing. Handlers pass "" as the default of a required member and treat ""
// as missing.

// The text-to-boolean rule: "true" and "false" in any letter case, or a
// number (optional sign, digits with an optional fraction, an optional
// exponent: "1", "-0.5", "+2e3", ".5", "3.") where zero is false and every
// other number true. Anything else, blanks included, raises EConvertError.
bool TextToBoolean(std::string_view text);

std::string GetJsonString(const TJsonValue& data, std::string_view key,
                          std::string_view defaultValue);
bool GetJsonBoolean(const TJsonValue& data, std::string_view key, bool defaultValue);
// The text when the member is there as a scalar; nothing otherwise.
std::optional<std::string> TryGetJsonString(const TJsonValue& object, std::string_view key);
std::string GetRequiredString(const TJsonValue& object, std::string_view key);
const TJsonValue& GetRequiredObject(const TJsonValue& object, std::string_view key);

// A whole text as a decimal integer: an optional sign and digits that fit 32
// bits ("10001", "+10001", "-7", "010001"). Nothing for anything else
// ("abc", "1.0", "1e4", "", blanks).
std::optional<std::int32_t> DecimalIntegerFromText(std::string_view text);

} // namespace tessera
