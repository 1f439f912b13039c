#include "base/str_utils.h"

#include "base/utf.h"

#include <gtest/gtest.h>

#include <charconv>
#include <optional>
#include <random>

namespace tessera {
namespace {

using namespace std::string_literals;

// A strict reader of one JSON string literal (RFC 8259): nothing but the
// literal, no raw control characters, only the standard escapes. Returns the
// text as UTF-8, or nothing when the literal is not valid JSON.
std::optional<std::string> ReadJsonString(std::string_view json) {
  if (json.size() < 2 || json.front() != '"' || json.back() != '"') {
    return std::nullopt;
  }
  const std::u16string units = Utf8ToUtf16(json.substr(1, json.size() - 2));
  std::u16string out;
  for (size_t i = 0; i < units.size(); ++i) {
    const char16_t c = units[i];
    if (c < 0x20 || c == u'"') {
      return std::nullopt;
    }
    if (c != u'\\') {
      out.push_back(c);
      continue;
    }
    if (++i == units.size()) {
      return std::nullopt;
    }
    constexpr std::u16string_view kEscapes = u"\"\\/bfnrt";
    constexpr std::u16string_view kMeanings = u"\"\\/\b\f\n\r\t";
    if (const size_t k = kEscapes.find(units[i]); k != std::u16string_view::npos) {
      out.push_back(kMeanings[k]);
      continue;
    }
    if (units[i] != u'u' || i + 4 >= units.size()) {
      return std::nullopt;
    }
    const std::string hex = Utf16ToUtf8(units.substr(i + 1, 4));
    unsigned value = 0;
    const auto [end, error] = std::from_chars(hex.data(), hex.data() + hex.size(), value, 16);
    if (error != std::errc() || end != hex.data() + hex.size()) {
      return std::nullopt;
    }
    out.push_back(static_cast<char16_t>(value));
    i += 4;
  }
  return Utf16ToUtf8(out);
}

TEST(StringToJsonString, EscapesPerUtf16CodeUnit) {
  const std::pair<std::string, std::string> cases[] = {
      {"", R"("")"},
      {"plain text 123", R"("plain text 123")"},
      {"a/b", R"("a\/b")"},
      {"\xC3\xA9t\xC3\xA9", "\"\xC3\xA9t\xC3\xA9\""}, // é copied
      {"\xC3\xA9/", "\"\xC3\xA9\\/\""},               // é copied next to an escape
      {"\xE2\x82\xAB", "\"\xE2\x82\xAB\""},           // U+20AB, last copied unit
      {"\xE2\x82\xAC", R"("\u20AC")"},                // euro sign
      {"\xEF\xBF\xBF", R"("\uFFFF")"},                // U+FFFF
      {"\xF0\x9F\x98\x80", R"("\uD83D\uDE00")"},      // astral: both halves
      {"\x01"s, R"("\u0001")"},
      {"\x1F\x7F"s, "\"\\u001F\x7F\""}, // DEL is copied
      {"\0"s, R"("\u0000")"},
      {"\b\t\n\f\r", R"("\b\t\n\f\r")"},
      {"say \"hi\" \\ there", R"("say \"hi\" \\ there")"},
      {"C:\\Users\\\xC3\xB1", "\"C:\\\\Users\\\\\xC3\xB1\""},
      {"\xFF", R"("\uDCFF")"},           // malformed byte: kept as an escaped byte
      {"\xE2\x82", R"("\uDCE2\uDC82")"}, // cut-off sequence
  };
  for (const auto& [input, expected] : cases) {
    EXPECT_EQ(TStrUtils::StringToJsonString(input), expected) << testing::PrintToString(input);
  }
}

TEST(StringToJsonString, JsonReaderGetsTheTextBack) {
  // Code points at every boundary of the escaping rules, then random mixes.
  const char32_t edges[] = {0x00,   0x08,   0x1F,   0x20,   0x22,    0x2F,    0x5C,
                            0x7F,   0x80,   0xE9,   0x7FF,  0x800,   0x20AB,  0x20AC,
                            0xD7FF, 0xE000, 0xFFFD, 0xFFFF, 0x10000, 0x1F600, 0x10FFFF};
  std::vector<std::string> texts;
  for (const char32_t cp : edges) {
    std::string text = "x";
    AppendUtf8(text, cp);
    texts.push_back(text);
  }
  std::mt19937 random(1234);
  std::uniform_int_distribution<int> pick(0, static_cast<int>(std::size(edges)) - 1);
  std::uniform_int_distribution<int> ascii(0x20, 0x7E);
  for (int n = 0; n < 200; ++n) {
    std::string text;
    for (int k = 0; k < 12; ++k) {
      if (k % 3 == 0) {
        AppendUtf8(text, edges[pick(random)]);
      } else {
        text.push_back(static_cast<char>(ascii(random)));
      }
    }
    texts.push_back(text);
  }
  for (const std::string& text : texts) {
    const std::string json = TStrUtils::StringToJsonString(text);
    EXPECT_EQ(ReadJsonString(json), text) << json;
  }
}

TEST(ExplodeStrings, SplitsAtEveryExactOccurrence) {
  using TPieces = std::vector<std::string>;
  const struct {
    std::string Separator;
    std::string Text;
    TPieces Pieces;
  } cases[] = {
      {";", "a;b;", {"a", "b", ""}},
      {";", "", {""}},
      {";", "abc", {"abc"}},
      {";", ";", {"", ""}},
      {"::", "a::b:c::", {"a", "b:c", ""}}, // matched as a whole
      {";;", "a;;;b", {"a", ";b"}},         // left to right, no overlap
      {"|", "Images|*.png;*.jpg|All|*.*", {"Images", "*.png;*.jpg", "All", "*.*"}},
      {"A", "bab", {"bab"}}, // case-sensitive
      {"", "a;b", {"a;b"}},  // an empty separator occurs nowhere
  };
  for (const auto& c : cases) {
    const TPieces pieces = TStrUtils::ExplodeStrings(c.Separator, c.Text);
    EXPECT_EQ(pieces, c.Pieces) << c.Separator << " in " << c.Text;
    if (!c.Separator.empty()) {
      EXPECT_EQ(TStrUtils::ImplodeStrings(c.Separator, pieces), c.Text);
    }
  }
  EXPECT_EQ(TStrUtils::ImplodeStrings(", ", {}), "");
}

TEST(StrUtilsQuoting, QuotesAndUnquotesScriptAndArgumentCharacters) {
  const struct {
    std::string Plain;
    std::string Javascript;
    std::string Arguments;
  } cases[] = {
      {"", "", ""},
      {"it's \"x\"", "it\\x27s \\x22x\\x22", "it\\x27s \\x22x\\x22"},
      {"a:b|c", "a:b|c", "a\\x3ab\\x7cc"},
      {"'\":|", "\\x27\\x22:|", "\\x27\\x22\\x3a\\x7c"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TStrUtils::QuoteJavascript(c.Plain), c.Javascript) << c.Plain;
    EXPECT_EQ(TStrUtils::UnquoteJavascript(c.Javascript), c.Plain) << c.Plain;
    EXPECT_EQ(TStrUtils::QuoteArguments(c.Plain), c.Arguments) << c.Plain;
    EXPECT_EQ(TStrUtils::UnquoteArguments(c.Arguments), c.Plain) << c.Plain;
  }
  // Only the lower-case forms are escapes.
  EXPECT_EQ(TStrUtils::UnquoteArguments("\\X3A\\x3A"), "\\X3A\\x3A");

  EXPECT_EQ(TStrUtils::GetJavascriptArrayFromMultilineString(""), "");
  EXPECT_EQ(TStrUtils::GetJavascriptArrayFromMultilineString("one\n\n  it's two \r\n\tthree"),
            R"("one", "it\x27s two", "three")");
  EXPECT_EQ(TStrUtils::GetJavascriptArrayFromMultilineString("\n\nonly\n"), R"("only")");
}

TEST(StrUtilsSearch, SubStringExistsHonoursCaseAndWholeWords) {
  const struct {
    std::string Text;
    std::string Part;
    TSearchOptions Options;
    bool Found;
  } cases[] = {
      {"Hello World", "world", {}, true},
      {"Hello World", "world", {.MatchCase = true}, false},
      {"Hello World", "World", {.MatchCase = true}, true},
      {"Hello World", "wor", {.WholeWord = true}, false},
      {"Hello World", "world", {.Down = false, .WholeWord = true}, true},
      {"foo_bar bar", "bar", {.WholeWord = true}, true}, // the second one
      {"foo_bar", "bar", {.WholeWord = true}, false},    // "_" joins words
      {"caf\xC3\xA9s", "caf", {.WholeWord = true}, false},
      {"a, b.", "b", {.Down = false, .WholeWord = true}, true},
      {"abc", "", {}, false},
      {"ab", "abc", {}, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TStrUtils::SubStringExists(c.Text, c.Part, c.Options), c.Found)
        << c.Part << " in " << c.Text;
  }
}

TEST(StrUtilsNumbers, FormatsAndParsesNumbers) {
  const struct {
    int64_t Number;
    int Length;
    std::string Text;
  } zeroes[] = {
      {7, 3, "007"},   {1234, 2, "1234"}, {0, 0, "0"},
      {-7, 3, "-007"}, {42, -5, "42"},    {INT64_MIN, 1, "-9223372036854775808"},
  };
  for (const auto& c : zeroes) {
    EXPECT_EQ(TStrUtils::AddLeadingZeroes(c.Number, c.Length), c.Text);
  }

  const struct {
    std::string Text;
    int Width;
    int Height;
  } resolutions[] = {
      {"1920x1080", 1920, 1080},
      {"screen 800x600 px", 800, 600},
      {"ax12x34x56", 12, 34},
      {"1x 2x3", 2, 3},
      {"1920X1080", -1, -1},
      {"x1080", -1, -1},
      {"", -1, -1},
      {"99999999999x1", -1, -1}, // does not fit an int
  };
  for (const auto& c : resolutions) {
    int width = 0;
    int height = 0;
    EXPECT_EQ(TStrUtils::StrToResolution(c.Text, width, height), c.Width != -1) << c.Text;
    EXPECT_EQ(width, c.Width) << c.Text;
    EXPECT_EQ(height, c.Height) << c.Text;
  }
}

TEST(StrUtilsVariant, OleVarToStrGivesTextForStringsNumbersAndDates) {
  using std::chrono::sys_days;
  using namespace std::chrono;
  const std::pair<TOleVariant, std::string> cases[] = {
      {TOleVariant{}, ""},
      {TOleVariant{"caf\xC3\xA9"s}, "caf\xC3\xA9"},
      {TOleVariant{int64_t{-42}}, "-42"},
      {TOleVariant{0.1}, "0.1"},
      {TOleVariant{2.0}, "2"},
      {TOleVariant{TOleDate{sys_days{2024y / 2 / 29} + 13h + 5min + 9s}}, "2024-02-29 13:05:09"},
      {TOleVariant{TOleDate{sys_days{1899y / 12 / 30}}}, "1899-12-30 00:00:00"},
      {TOleVariant{TOleDate{sys_seconds{seconds{-1}}}}, "1969-12-31 23:59:59"},
  };
  for (const auto& [value, text] : cases) {
    EXPECT_EQ(TStrUtils::OleVarToStr(value), text);
  }
  // Extreme instants still give a date, not a crash.
  EXPECT_FALSE(TStrUtils::OleVarToStr(TOleDate{sys_seconds{seconds{INT64_MIN}}}).empty());
  EXPECT_FALSE(TStrUtils::OleVarToStr(TOleDate{sys_seconds{seconds{INT64_MAX}}}).empty());
}

TEST(StrUtilsUrls, ReadsQueryArgumentsAndPathKinds) {
  const std::pair<std::string, std::vector<std::string>> cases[] = {
      {"https://x.test/p?a=1&b=two+words&c=%C3%A9%2B", {"a=1", "b=two words", "c=\xC3\xA9+"}},
      {"page.html?&x=1&&y=%zz%4#frag", {"x=1", "y=%zz%4"}},
      {"page.html?bad=%FF", {"bad=\xEF\xBF\xBD"}}, // not UTF-8 once decoded
      {"page.html", {}},
      {"?", {}},
  };
  for (const auto& [url, expected] : cases) {
    std::vector<std::string> arguments = {"stale"};
    TStrUtils::GetUrlArguments(url, arguments);
    EXPECT_EQ(arguments, expected) << url;
  }

  EXPECT_TRUE(TStrUtils::FilePathIsHttpUrl("HTTPS://example.test"));
  EXPECT_TRUE(TStrUtils::FilePathIsHttpUrl("http://x"));
  EXPECT_FALSE(TStrUtils::FilePathIsHttpUrl("http:/x"));
  EXPECT_FALSE(TStrUtils::FilePathIsHttpUrl("file:///x"));
  EXPECT_TRUE(TStrUtils::FilePathIsAppRelative("App/Files/a.txt"));
  EXPECT_FALSE(TStrUtils::FilePathIsAppRelative("app/files"));
  EXPECT_TRUE(TStrUtils::FilePathIsPluginRelative("APP/plugins/x.dll"));
  EXPECT_FALSE(TStrUtils::FilePathIsPluginRelative("app/files/x"));

  EXPECT_EQ(TStrUtils::AddTrailingUrlSlash("http://x"), "http://x/");
  EXPECT_EQ(TStrUtils::AddTrailingUrlSlash("http://x/"), "http://x/");
  EXPECT_EQ(TStrUtils::AddTrailingUrlSlash(""), "/");
}

TEST(StrUtilsUrls, PercentDecodesPathsAsUtf8) {
  const std::pair<std::string, std::optional<std::string>> cases[] = {
      {"caf%C3%A9.png", "caf\xC3\xA9.png"},
      {"js/a%2Bb.mjs", "js/a+b.mjs"},
      {"%23.css", "#.css"},
      {"a+b%20c", "a+b c"},      // "+" is no blank in a path
      {"%2e%2E%2f%5C", "../\\"}, // either case of digit
      {"100%", "100%"},          // a "%" without two digits stays
      {"%4", "%4"},
      {"%zz%4g%", "%zz%4g%"},
      {"%2541", "%41"}, // decoded once only
      {"%00", "\0"s},
      {"caf\xC3\xA9", "caf\xC3\xA9"}, // already UTF-8
      {"", ""},
      {"%C3", std::nullopt}, // a sequence cut short
      {"%FF.txt", std::nullopt},
      {"%ED%A0%80", std::nullopt}, // a surrogate half
      {"%C0%AF", std::nullopt},    // an overlong "/"
  };
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(TStrUtils::PercentDecodeUtf8(text), expected) << text;
  }
}

TEST(StrUtilsUrls, ContentTypesNameTheCharsetUnlessItBreaksTheReader) {
  const std::pair<std::string, std::string> cases[] = {
      {"text/html", "text/html; charset=utf-8"},
      {"application/json", "application/json; charset=utf-8"},
      {"image/x-png", "image/x-png; charset=utf-8"},
      {"application/octet-stream", "application/octet-stream; charset=utf-8"},
      {"application/wasm", "application/wasm"},
      {"Application/WASM", "Application/WASM"},
      {"application/wasm-x", "application/wasm-x; charset=utf-8"},
  };
  for (const auto& [type, expected] : cases) {
    EXPECT_EQ(TStrUtils::ContentTypeWithCharset(type), expected) << type;
  }
}

TEST(StrUtilsText, RepeatsCapitalizesAndDrawsRandomText) {
  EXPECT_EQ(TStrUtils::RepeatString("ab", 3), "ababab");
  EXPECT_EQ(TStrUtils::RepeatString("ab", 0), "");
  EXPECT_EQ(TStrUtils::RepeatString("ab", -2), "");
  EXPECT_EQ(TStrUtils::Capitalize("hello world"), "Hello world");
  EXPECT_EQ(TStrUtils::Capitalize(""), "");
  EXPECT_EQ(TStrUtils::Capitalize("1st"), "1st");

  const std::string drawn = TStrUtils::GetRandomString(200, "ab\xE2\x82\xAC");
  const std::u16string units = Utf8ToUtf16(drawn);
  ASSERT_EQ(units.size(), 200u);
  for (const char16_t c : units) {
    EXPECT_TRUE(c == u'a' || c == u'b' || c == 0x20AC);
  }
  EXPECT_NE(drawn.find("\xE2\x82\xAC"), std::string::npos);
  EXPECT_EQ(TStrUtils::GetRandomString(5, ""), "");
  EXPECT_EQ(TStrUtils::GetRandomString(-1, "ab"), "");

  const std::string suffix = TStrUtils::GetControlRandomSuffix("button");
  ASSERT_EQ(suffix.size(), std::string("button-").size() + 10);
  EXPECT_EQ(suffix.substr(0, 7), "button-");
  EXPECT_EQ(suffix.find_first_not_of("abcdefghijklmnopqrstuvwxyz1234567890", 7), std::string::npos);
}

} // namespace
} // namespace tessera
