#include "base/utf.h"

#include <gtest/gtest.h>

namespace tessera {
namespace {

TEST(Utf, RoundTripsEveryPlane) {
  const std::string text = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80z"; // a é € 😀 z
  const std::u16string wide = Utf8ToUtf16(text);
  EXPECT_EQ(wide, (std::u16string{u'a', 0x00E9, 0x20AC, 0xD83D, 0xDE00, u'z'}));
  EXPECT_EQ(Utf16ToUtf8(wide), text);
}

TEST(Utf, MalformedInputBecomesReplacementCharacters) {
  struct TCase {
    std::string Input;
    std::u16string Expected;
  };
  const TCase cases[] = {
      {"\xC3", u"\xFFFD"},                     // truncated two-byte sequence
      {"\xC0\xAF", u"\xFFFD\xFFFD"},           // overlong slash
      {"\xED\xA0\x80", u"\xFFFD\xFFFD\xFFFD"}, // encoded surrogate
      {"\xFF"
       "a",
       u"\xFFFD"
       u"a"}, // byte that starts nothing
      {"\xE2\x82"
       "a",
       u"\xFFFD\xFFFD"
       u"a"}, // cut short before an ASCII letter
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(Utf8ToUtf16(c.Input), c.Expected) << testing::PrintToString(c.Input);
  }
  // An unpaired surrogate in UTF-16 cannot be written as UTF-8.
  EXPECT_EQ(Utf16ToUtf8(std::u16string{0xD800, u'x'}), "\xEF\xBF\xBDx");
}

TEST(Utf, EscapingKeepsEachMalformedByteAsALoneSurrogate) {
  struct TCase {
    std::string Input;
    std::u16string Expected;
  };
  const TCase cases[] = {
      {"a\xC3\xA9\xF0\x9F\x98\x80", u"a\x00E9\xD83D\xDE00"}, // well-formed: as Utf8ToUtf16
      {"\xC3", u"\xDCC3"},
      {"\xC0\xAF", u"\xDCC0\xDCAF"},
      {"\xED\xB2\x80", u"\xDCED\xDCB2\xDC80"}, // an encoded escape is escaped in turn
      {"\xE2\x82"
       "a",
       u"\xDCE2\xDC82"
       u"a"},
      {"\xEF\xBF\xBD", u"\xFFFD"}, // a written U+FFFD stays one
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(Utf8ToUtf16EscapingBytes(c.Input), c.Expected) << testing::PrintToString(c.Input);
  }
}

TEST(Utf, PathsKeepNonAsciiNames) {
  const std::string name = "dir \xC3\xB1\xE4\xB8\xAD/app \xC3\xBC.exe";
  EXPECT_EQ(PathToUtf8(PathFromUtf8(name)), name);
}

} // namespace
} // namespace tessera
