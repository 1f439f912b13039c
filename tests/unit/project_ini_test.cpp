#include "package/project_ini.h"

#include "package/app_settings.h"
#include "platform/fake/fake_os_services.h"

#include <gtest/gtest.h>

namespace tessera {
namespace {

TProjectINI Load(std::string_view bytes) {
  FakeOsServices os; // Windows-1252 for text without a byte order mark
  TProjectINI ini;
  ini.LoadFromBytes(bytes, os);
  return ini;
}

std::string Utf16Bytes(std::u16string_view text, bool bigEndian) {
  std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (const char16_t unit : text) {
    const char high = static_cast<char>(unit >> 8);
    const char low = static_cast<char>(unit & 0xFF);
    bytes += bigEndian ? std::string{high, low} : std::string{low, high};
  }
  return bytes;
}

TEST(ParseIniInteger, AcceptsDecimalAndPrefixedHexWithin32Bits) {
  struct TCase {
    std::string_view Text;
    std::optional<std::int32_t> Expected;
  };
  const TCase cases[] = {
      {"0", 0},
      {"42", 42},
      {"+5", 5},
      {"-7", -7},
      {"007", 7},
      {"2147483647", 2147483647},
      {"-2147483648", INT32_MIN},
      {"2147483648", std::nullopt},
      {"-2147483649", std::nullopt},
      {"99999999999999999999999", std::nullopt},
      // Hex is a 32-bit pattern, in any letter case, after "$" or "0x".
      {"$FF00001A", -16777190},
      {"0xff00001a", -16777190},
      {"0XFF00001A", -16777190},
      {"$ff", 255},
      {"0x7FFFFFFF", 2147483647},
      {"$FFFFFFFF", -1},
      {"$000000001", 1}, // leading zeros do not count against the width
      {"$100000000", std::nullopt},
      {"0x1FFFFFFFF", std::nullopt},
      // Not numbers.
      {"", std::nullopt},
      {"$", std::nullopt},
      {"0x", std::nullopt},
      {"-", std::nullopt},
      {"+", std::nullopt},
      {"-0x10", std::nullopt}, // a sign belongs to decimals only
      {"-$10", std::nullopt},
      {"0x-1", std::nullopt},
      {"1 2", std::nullopt},
      {"- 5", std::nullopt},
      {"12abc", std::nullopt},
      {"0x1G", std::nullopt},
      {"1.5", std::nullopt},
      {"true", std::nullopt},
      {"\xEF\xBC\x91", std::nullopt}, // fullwidth digit one
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(ParseIniInteger(c.Text), c.Expected) << c.Text;
  }
}

TEST(ProjectINI, BooleansAreNumbersOnly) {
  struct TCase {
    std::string_view Line;
    TBoolSetting Setting;
    bool Expected;
  };
  const TCase cases[] = {
      {"AllowDebug=true", kSettingAllowDebug, false},
      {"EdgeInstaller=false", kSettingEdgeInstaller, true},
      {"AllowDebug=2", kSettingAllowDebug, true},
      {"AllowDebug=-1", kSettingAllowDebug, true},
      {"AllowDebug=$10", kSettingAllowDebug, true},
      {"AllowDebug=1", kSettingAllowDebug, true},
      {"EdgeInstaller=0", kSettingEdgeInstaller, false},
      {"EdgeInstaller=", kSettingEdgeInstaller, true},
      {"AllowDebug", kSettingAllowDebug, false},
  };
  for (const TCase& c : cases) {
    const TProjectINI ini = Load("[App]\n" + std::string(c.Line));
    EXPECT_EQ(ReadAppSetting(ini, c.Setting), c.Expected) << c.Line;
  }
}

TEST(ProjectINI, ColoursReadAsIntegerBitPatterns) {
  struct TCase {
    std::string_view Value;
    std::uint32_t Expected;
  };
  const TCase cases[] = {
      {"$FF00001A", 0xFF00001Au}, {"0xff00001a", 0xFF00001Au}, {"-16777190", 0xFF00001Au},
      {"$FF00000F", 0xFF00000Fu}, {"255", 0x000000FFu}, // red
      {"$00FF0000", 0x00FF0000u},                       // blue
      {"clRed", 0x12345678u},
  };
  for (const TCase& c : cases) {
    const TProjectINI ini = Load("[App]\nInstallFormColor=" + std::string(c.Value));
    EXPECT_EQ(ini.ReadColor("App", "InstallFormColor", 0x12345678u), c.Expected) << c.Value;
  }
  EXPECT_EQ(ReadAppSetting(Load("[App]"), kSettingInstallFormColor), 0xFF00001Au);
}

TEST(ProjectINI, NamesIgnoreCaseAndEntriesIgnoreBlanks) {
  const TProjectINI ini = Load("[app]\n"
                               "width = 1024\n"
                               "  HEIGHT\t=\t700  \n"
                               "[ Other Section ]\n"
                               "Name = \"Quoted = kept\" \n");
  EXPECT_EQ(ReadAppSetting(ini, kSettingWidth), 1024);
  EXPECT_EQ(ReadAppSetting(ini, kSettingHeight), 700);
  EXPECT_EQ(ini.ReadInteger("APP", "wIdTh", 0), 1024);
  // Quotes stay, and only the first "=" separates key from value.
  EXPECT_EQ(ini.ReadString("other section", "name", ""), "\"Quoted = kept\"");
  EXPECT_FALSE(ini.SectionExists("Other"));
}

TEST(ProjectINI, IgnoresCommentsAndLinesBeforeTheFirstSection) {
  const TProjectINI ini = Load("Width=1\n"
                               "ID=outside\n"
                               "[App]\n"
                               ";Height=5\n"
                               "   ; Name=commented\n"
                               "Top=7 ; not a comment\n");
  EXPECT_EQ(ReadAppSetting(ini, kSettingWidth), 800);
  EXPECT_EQ(ReadAppSetting(ini, kSettingID), "");
  EXPECT_EQ(ReadAppSetting(ini, kSettingHeight), 600);
  EXPECT_FALSE(ini.ValueExists("App", "Name"));
  EXPECT_EQ(ReadAppSetting(ini, kSettingTop), 50); // "7 ; not a comment" is no number
}

TEST(ProjectINI, LastOccurrenceOfAKeyCountsAndSectionsContinue) {
  const TProjectINI ini = Load("[App]\n"
                               "Width=1000\n"
                               "Height=300\n"
                               "Top=10\n"
                               "[Other]\n"
                               "Left=99\n"
                               "[APP]\n"
                               "WIDTH=1200\n"
                               "Height\n" // a bare key hides the earlier value...
                               "Name\n"
                               "Name=Later\n"); // ...and a later value brings one back
  EXPECT_EQ(ReadAppSetting(ini, kSettingWidth), 1200);
  EXPECT_EQ(ReadAppSetting(ini, kSettingHeight), 600);
  EXPECT_EQ(ReadAppSetting(ini, kSettingTop), 10);
  EXPECT_EQ(ReadAppSetting(ini, kSettingLeft), 50);
  EXPECT_EQ(ReadAppSetting(ini, kSettingName), "Later");
  EXPECT_EQ(ini.ReadInteger("Other", "Left", 0), 99);
}

TEST(ProjectINI, KeyWithoutEqualsReadsAsMissingButEmptyValueExists) {
  const TProjectINI ini = Load("[App]\nIndexHtml\nTheme=\n");
  EXPECT_FALSE(ini.ValueExists("App", "IndexHtml"));
  EXPECT_EQ(ReadAppSetting(ini, kSettingIndexHtml), "index.html");
  EXPECT_TRUE(ini.ValueExists("App", "Theme"));
  EXPECT_EQ(ReadAppSetting(ini, kSettingTheme), "");
  EXPECT_EQ(ini.ReadInteger("App", "Theme", 5), 5);
}

TEST(ProjectINI, SplitsLinesAtCrLfCrAndLf) {
  const TProjectINI ini = Load("[App]\rWidth=1\nHeight=2\r\nTop=3\n\rLeft=4\r\rMaxWidth=5");
  EXPECT_EQ(ReadAppSetting(ini, kSettingWidth), 1);
  EXPECT_EQ(ReadAppSetting(ini, kSettingHeight), 2);
  EXPECT_EQ(ReadAppSetting(ini, kSettingTop), 3);
  EXPECT_EQ(ReadAppSetting(ini, kSettingLeft), 4);
  EXPECT_EQ(ReadAppSetting(ini, kSettingMaxWidth), 5);
}

TEST(ProjectINI, TrimsControlCharactersAroundLines) {
  using namespace std::string_literals;
  const TProjectINI ini = Load("\x01[App]\x1F\n\0\tWidth=640\x7F\0\n \x0BName=\x02"s);
  EXPECT_EQ(ReadAppSetting(ini, kSettingName), "");
  EXPECT_TRUE(ini.ValueExists("App", "Name"));
  // DEL (127) is not a blank, so it stays part of the value.
  EXPECT_EQ(ReadAppSetting(ini, kSettingWidth), 800);
  EXPECT_EQ(ini.ReadString("App", "Width", ""), "640\x7F");
}

TEST(ProjectINI, DecodesByTheByteOrderMark) {
  const std::string utf8Name = "Caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"; // Café € 😀
  const std::u16string utf16Text = u"[App]\r\nName=Caf\u00E9 \u20AC \U0001F600\r\n";
  struct TCase {
    std::string_view Label;
    std::string Bytes;
    std::string ExpectedName;
  };
  const TCase cases[] = {
      {"UTF-8 mark", "\xEF\xBB\xBF[App]\nName=" + utf8Name, utf8Name},
      // The same bytes without the mark are ANSI (Windows-1252 here).
      {"no mark", "[App]\nName=Caf\xC3\xA9",
       "Caf\xC3\x83\xC2\xA9"}, // Café as the two characters Ã ©
      {"ANSI euro", "[App]\nName=\x80", "\xE2\x82\xAC"},
      {"UTF-16 LE", Utf16Bytes(utf16Text, false), utf8Name},
      {"UTF-16 BE", Utf16Bytes(utf16Text, true), utf8Name},
      {"UTF-16 LE odd byte", Utf16Bytes(u"[App]\nName=Ok", false) + "\x41", "Ok"},
      {"UTF-8 mark, bad bytes",
       "\xEF\xBB\xBF[App]\nName=a\xFF"
       "b",
       "a\xEF\xBF\xBD"
       "b"},
      // A mark without the full UTF-8 signature is ANSI text.
      {"partial mark", "\xEF\xBB[App]\nName=x", ""},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(ReadAppSetting(Load(c.Bytes), kSettingName), c.ExpectedName) << c.Label;
  }
}

TEST(ProjectINI, LoadReplacesEverythingAndEmptyTextGivesDefaults) {
  FakeOsServices os;
  TProjectINI ini;
  ini.LoadFromBytes("[App]\nID=first\nWidth=1\n[Extra]\n", os);
  ASSERT_EQ(ReadAppSetting(ini, kSettingID), "first");
  ini.LoadFromBytes("[App]\nName=second\n", os);
  EXPECT_EQ(ReadAppSetting(ini, kSettingID), "");
  EXPECT_EQ(ReadAppSetting(ini, kSettingWidth), 800);
  EXPECT_FALSE(ini.SectionExists("Extra"));

  // What start-up sees when the settings entry cannot be extracted.
  using namespace std::string_view_literals;
  for (const std::string_view empty : {""sv, "\xEF\xBB\xBF"sv, "\xFF\xFE"sv, "\xFE\xFF\x00"sv}) {
    ini.LoadFromBytes(empty, os);
    EXPECT_FALSE(ini.SectionExists(kAppSection));
    EXPECT_EQ(ReadAppSetting(ini, kSettingID), "");
    EXPECT_TRUE(ReadAppSetting(ini, kSettingEdgeInstaller));
    EXPECT_EQ(ReadAppSetting(ini, kSettingWindowBorder), 2);
  }
}

} // namespace
} // namespace tessera
