#include "bridge/argument_readers.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace tessera {
namespace {

// One member of every kind; "absent" is never there.
const TJsonValue& Data() {
  static const TJsonValue data = *ParseJson(R"({
    "null": null, "string": "Text", "empty": "", "number": -1.50e3, "zero": 0.00,
    "true": true, "false": false, "object": {"inner": 1}, "array": [1],
    "yes": "TRUE", "no": "fAlse", "numText": "-2.5", "zeroText": "0e7", "word": "yes",
    "blank": " 1"})");
  return data;
}

enum class TOutcome { Value, ConvertError, JsonError };

struct TStringCase {
  const char* Key;
  TOutcome Outcome;
  const char* Text;
};

TEST(BridgeArgumentReaders, GetJsonStringAndGetRequiredStringFollowTheTable) {
  const TStringCase getJsonString[] = {
      {"absent", TOutcome::Value, "dflt"},    {"null", TOutcome::Value, "dflt"},
      {"string", TOutcome::Value, "Text"},    {"empty", TOutcome::Value, ""},
      {"number", TOutcome::Value, "-1.50e3"}, {"true", TOutcome::Value, "true"},
      {"false", TOutcome::Value, "false"},    {"object", TOutcome::ConvertError, ""},
      {"array", TOutcome::ConvertError, ""},
  };
  for (const TStringCase& c : getJsonString) {
    if (c.Outcome == TOutcome::Value) {
      EXPECT_EQ(GetJsonString(Data(), c.Key, "dflt"), c.Text) << c.Key;
    } else {
      EXPECT_THROW(GetJsonString(Data(), c.Key, "dflt"), EConvertError) << c.Key;
    }
  }

  const TStringCase getRequiredString[] = {
      {"absent", TOutcome::JsonError, ""},    {"null", TOutcome::Value, ""},
      {"string", TOutcome::Value, "Text"},    {"number", TOutcome::Value, "-1.50e3"},
      {"true", TOutcome::Value, "true"},      {"false", TOutcome::Value, "false"},
      {"object", TOutcome::ConvertError, ""}, {"array", TOutcome::ConvertError, ""},
  };
  for (const TStringCase& c : getRequiredString) {
    switch (c.Outcome) {
    case TOutcome::Value:
      EXPECT_EQ(GetRequiredString(Data(), c.Key), c.Text) << c.Key;
      break;
    case TOutcome::ConvertError:
      EXPECT_THROW(GetRequiredString(Data(), c.Key), EConvertError) << c.Key;
      break;
    case TOutcome::JsonError:
      EXPECT_THROW(GetRequiredString(Data(), c.Key), EJsonError) << c.Key;
      break;
    }
  }
}

TEST(BridgeArgumentReaders, TryGetJsonStringFindsScalarsOnly) {
  const std::pair<const char*, std::optional<std::string>> cases[] = {
      {"absent", std::nullopt}, {"null", ""},       {"string", "Text"},
      {"number", "-1.50e3"},    {"false", "false"}, {"object", std::nullopt},
      {"array", std::nullopt},
  };
  for (const auto& [key, expected] : cases) {
    EXPECT_EQ(TryGetJsonString(Data(), key), expected) << key;
  }
}

TEST(BridgeArgumentReaders, GetJsonBooleanFollowsTheTable) {
  struct TCase {
    const char* Key;
    bool Default;
    std::optional<bool> Expected; // nothing: a conversion error
  };
  const TCase cases[] = {
      {"absent", true, true},
      {"absent", false, false},
      {"null", true, true},
      {"true", false, true},
      {"false", true, false},
      {"number", false, true},
      {"zero", true, false},
      {"yes", false, true},
      {"no", true, false},
      {"numText", false, true},
      {"zeroText", true, false},
      {"word", false, std::nullopt},
      {"empty", false, std::nullopt},
      {"blank", false, std::nullopt},
      {"object", false, std::nullopt},
      {"array", false, std::nullopt},
  };
  for (const TCase& c : cases) {
    if (c.Expected) {
      EXPECT_EQ(GetJsonBoolean(Data(), c.Key, c.Default), *c.Expected) << c.Key;
    } else {
      EXPECT_THROW(GetJsonBoolean(Data(), c.Key, c.Default), EConvertError) << c.Key;
    }
  }
}

TEST(BridgeArgumentReaders, TextToBooleanAcceptsWordsAndNumbersOnly) {
  for (const char* text :
       {"true", "True", "TRUE", "1", "-1", "+2", "0.5", ".5", "3.", "1e-9", "1E5", "00001"}) {
    EXPECT_TRUE(TextToBoolean(text)) << text;
  }
  for (const char* text : {"false", "FaLsE", "0", "-0", "+0.000", "0e99", ".0"}) {
    EXPECT_FALSE(TextToBoolean(text)) << text;
  }
  for (const char* text : {"", " ", "yes", "on", " true", "1 ", "1e", "e5", ".", "-", "1.2.3",
                           "0x1", "nan", "inf", "truex"}) {
    EXPECT_THROW(TextToBoolean(text), EConvertError) << text;
  }
}

TEST(BridgeArgumentReaders, GetRequiredObjectWantsAnObject) {
  EXPECT_EQ(GetRequiredObject(Data(), "object").Find("inner")->Text(), "1");
  EXPECT_THROW(GetRequiredObject(Data(), "absent"), EJsonError);
  for (const char* key : {"null", "string", "number", "true", "array"}) {
    EXPECT_THROW(GetRequiredObject(Data(), key), EConvertError) << key;
  }
  // A value that is not an object has no members at all.
  const TJsonValue array = *ParseJson(R"([{"id": 1}])");
  EXPECT_THROW(GetRequiredString(array, "id"), EJsonError);
  EXPECT_EQ(GetJsonString(array, "id", "d"), "d");
}

} // namespace
} // namespace tessera
