#include "bridge/bridge_json.h"

#include "base/str_utils.h"
#include "non_utf8_names.h"

#include <gtest/gtest.h>

#include <string>

namespace tessera {
namespace {

using TKind = TJsonValue::TKind;

// The first item of a one-item array, so scalars are read in place.
std::string ItemText(const std::string& itemJson) {
  const std::optional<TJsonValue> value = ParseJson("[" + itemJson + "]");
  EXPECT_TRUE(value.has_value()) << itemJson;
  return value ? value->Items().at(0).Text() : std::string("<no parse>");
}

TEST(BridgeJson, NumbersKeepTheTextTheyWereWrittenWith) {
  for (const char* number : {"0", "-0", "10001", "1.50", "-0.0", "1e400", "1E+2", "2.5e-3",
                             "123456789012345678901234567890"}) {
    EXPECT_EQ(ItemText(number), number);
  }
}

TEST(BridgeJson, StringsAreDecodedToUtf8) {
  struct TCase {
    const char* Json;
    std::string Text;
  };
  const TCase cases[] = {
      {R"("a\"b\\c\/d")", "a\"b\\c/d"},
      {R"("\b\f\n\r\t")", "\b\f\n\r\t"},
      {R"("\u0041\u00e9\u20AC")", "A\xC3\xA9\xE2\x82\xAC"},
      {R"("\ud83d\ude00")", "\xF0\x9F\x98\x80"}, // surrogate pair
      {R"("\ud83d")", "\xEF\xBF\xBD"},           // lone high surrogate
      {R"("\ude00x")", "\xEF\xBF\xBDx"},         // lone low surrogate
      {R"("\udc7f")", "\xEF\xBF\xBD"},           // just below the escaped bytes
      {R"("\udc80\udcFF")", "\x80\xFF"},         // escaped bytes
      {R"("\ud83d\udc80")", "\xF0\x9F\x92\x80"}, // a pair, not an escaped byte
      {R"("\ud83d\u0041")", "\xEF\xBF\xBD"
                            "A"},   // high then not a low
      {"\"\xC3\xA9\"", "\xC3\xA9"}, // raw UTF-8 kept
      {"\"a\xFF"
       "b\"",
       "a\xEF\xBF\xBD"
       "b"},                                                        // malformed byte
      {"\"\xC0\xAF\"", "\xEF\xBF\xBD\xEF\xBF\xBD"},                 // overlong form
      {"\"\xED\xA0\x80\"", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"}, // encoded surrogate
      {R"("\u0000")", std::string(1, '\0')},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(ItemText(c.Json), c.Text) << c.Json;
  }
}

TEST(BridgeJson, NamesThatAreNotUtf8ComeBackAsTheSameBytes) {
  // What the runtime writes for a name, the page sends back unchanged, and
  // the reader gives the very bytes again.
  for (const TByteName& name : kByteNames) {
    const std::string json = TStrUtils::StringToJsonString(name.Bytes);
    EXPECT_EQ(json, name.Json) << name.What;
    EXPECT_EQ(ItemText(json), name.Bytes) << name.What;
  }
}

TEST(BridgeJson, RefusesWhatIsNotExactlyOneJsonValue) {
  for (const char* text : {"",
                           " ",
                           "{",
                           "}",
                           "{\"a\":1",
                           "{\"a\" 1}",
                           "{a:1}",
                           "{\"a\":1,}",
                           "[1,]",
                           "[,1]",
                           "01",
                           "1.",
                           ".5",
                           "-",
                           "+1",
                           "1e",
                           "0x10",
                           "NaN",
                           "Infinity",
                           "tru",
                           "nul",
                           "True",
                           "\"abc",
                           "\"a\nb\"",
                           "\"\\x41\"",
                           "\"\\u12G4\"",
                           "\"\\u12\"",
                           "{} {}",
                           "{}x",
                           "[1 2]",
                           "\xEF\xBB\xBF{}",
                           "/*c*/{}",
                           "'a'",
                           "\"\\\""}) {
    EXPECT_FALSE(ParseJson(text).has_value()) << text;
  }
}

TEST(BridgeJson, ReadsARequestWithItsMembersInOrder) {
  const std::optional<TJsonValue> request =
      ParseJson(" {\"id\": 60006,\r\n\t\"uuid\":\"u1\", \"data\": {\"title\": \"T\", \"n\": null, "
                "\"on\": false, \"list\": [true, {}]}} ");
  ASSERT_TRUE(request.has_value());
  ASSERT_EQ(request->Kind(), TKind::Object);
  ASSERT_EQ(request->Members().size(), 3u);
  EXPECT_EQ(request->Members()[0].first, "id");
  EXPECT_EQ(request->Members()[2].first, "data");
  const TJsonValue& data = *request->Find("data");
  EXPECT_EQ(data.Find("title")->Text(), "T");
  EXPECT_EQ(data.Find("n")->Kind(), TKind::Null);
  EXPECT_EQ(data.Find("on")->Kind(), TKind::Boolean);
  EXPECT_FALSE(data.Find("on")->BooleanValue());
  ASSERT_EQ(data.Find("list")->Items().size(), 2u);
  EXPECT_TRUE(data.Find("list")->Items()[1].IsObject());
  EXPECT_EQ(data.Find("missing"), nullptr);
  EXPECT_EQ(data.Find("list")->Find("0"), nullptr); // arrays have no members
}

TEST(BridgeJson, ANameGivenTwiceMeansItsLastValue) {
  const std::optional<TJsonValue> value = ParseJson(R"({"a": 1, "b": 2, "a": 3})");
  ASSERT_TRUE(value.has_value());
  EXPECT_EQ(value->Find("a")->Text(), "3");
}

TEST(BridgeJson, NestingAndValueCountAreBounded) {
  const TJsonLimits limits{.MaxDepth = 4, .MaxValues = 6};
  EXPECT_TRUE(ParseJson("[[[[1]]]]", limits).has_value());
  EXPECT_FALSE(ParseJson("[[[[[1]]]]]", limits).has_value());
  EXPECT_FALSE(ParseJson("{\"a\":{\"b\":{\"c\":{\"d\":{}}}}}", limits).has_value());
  EXPECT_TRUE(ParseJson("[1,2,3,4,5]", limits).has_value());
  EXPECT_FALSE(ParseJson("[1,2,3,4,5,6]", limits).has_value());

  // The default depth stops a nesting bomb long before the stack would.
  const std::string bomb = std::string(100000, '[') + std::string(100000, ']');
  EXPECT_FALSE(ParseJson(bomb).has_value());
  const std::string deep = std::string(128, '[') + std::string(128, ']');
  EXPECT_TRUE(ParseJson(deep).has_value());
}

} // namespace
} // namespace tessera
