#include "package/exe_resources.h"

#include "base/utf.h"
#include "image_fixtures.h"
#include "pe_test_image.h"

#include <gtest/gtest.h>

#include <string>

namespace tessera {
namespace {

using testing::ExpectResourceError;
using testing::Get;
using testing::Put;

// A 32-bit bitmap image of an icon (header and pixels; the mask is left
// out, which the reader does not look at).
std::vector<uint8_t> BitmapImage(uint32_t size, uint16_t bits = 32) {
  std::vector<uint8_t> b;
  Put(b, 0, 40, 4);
  Put(b, 4, size, 4);
  Put(b, 8, size * 2, 4);
  Put(b, 12, 1, 2);
  Put(b, 14, bits, 2);
  b.resize(40 + size * size * 4, 0x5A);
  return b;
}

// The start of a PNG file: signature and header chunk (RGBA, 8 bits).
std::vector<uint8_t> PngImage(uint32_t size) {
  std::vector<uint8_t> b = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  Put(b, 8, 13, 4, true);
  b.insert(b.end(), {'I', 'H', 'D', 'R'});
  Put(b, 16, size, 4, true);
  Put(b, 20, size, 4, true);
  b.push_back(8);
  b.push_back(6);
  b.resize(64, 0);
  return b;
}

struct TIcoEntry {
  uint8_t Width;
  uint16_t Planes;
  uint16_t Bits;
  std::vector<uint8_t> Data;
};

std::vector<uint8_t> IconFile(const std::vector<TIcoEntry>& entries) {
  std::vector<uint8_t> b;
  Put(b, 2, 1, 2);
  Put(b, 4, entries.size(), 2);
  size_t offset = 6 + entries.size() * 16;
  for (size_t i = 0; i < entries.size(); ++i) {
    const size_t at = 6 + i * 16;
    b.resize(at + 16);
    b[at] = entries[i].Width;
    b[at + 1] = entries[i].Width;
    Put(b, at + 4, entries[i].Planes, 2);
    Put(b, at + 6, entries[i].Bits, 2);
    Put(b, at + 8, entries[i].Data.size(), 4);
    Put(b, at + 12, offset, 4);
    offset += entries[i].Data.size();
  }
  for (const TIcoEntry& entry : entries) {
    b.insert(b.end(), entry.Data.begin(), entry.Data.end());
  }
  return b;
}

TEST(IconFile, ReadsItsImagesAndFillsInWhatTheDirectoryLeftOut) {
  const std::vector<uint8_t> file = IconFile(
      {{16, 1, 32, BitmapImage(16)}, {0, 0, 0, PngImage(256)}, {32, 0, 0, BitmapImage(32, 8)}});
  const std::vector<TIconImage> images = ReadIconFile(file);
  ASSERT_EQ(images.size(), 3u);
  EXPECT_EQ(images[0].Width, 16);
  EXPECT_EQ(images[0].BitCount, 32);
  EXPECT_EQ(images[0].Data, BitmapImage(16));
  EXPECT_EQ(images[1].Width, 0); // 256
  EXPECT_EQ(images[1].Planes, 1);
  EXPECT_EQ(images[1].BitCount, 32); // four channels of 8 bits
  EXPECT_EQ(images[1].Data, PngImage(256));
  EXPECT_EQ(images[2].BitCount, 8); // from the bitmap's header
}

TEST(IconFile, RefusesWhatIsNotAnIcon) {
  const std::vector<uint8_t> good = IconFile({{16, 1, 32, BitmapImage(16)}});
  const auto changed = [&](size_t offset, uint32_t value, size_t width) {
    return testing::Changed(good, offset, value, width);
  };
  const struct {
    const char* What;
    std::vector<uint8_t> Bytes;
    const char* Words;
  } cases[] = {
      {"empty", {}, "not an icon file"},
      {"text", {'h', 'e', 'l', 'l', 'o', '!', '!'}, "not an icon file"},
      {"a cursor", changed(2, 2, 2), "not an icon file"},
      {"no images", changed(4, 0, 2), "holds no images"},
      {"more images than the file holds", changed(4, 0xFFFF, 2), "truncated or damaged"},
      {"an image past the end", changed(6 + 12, 0x10000, 4), "lies outside the file"},
      {"an image of no bytes", changed(6 + 8, 0, 4), "lies outside the file"},
      {"an image of another format", changed(22, 0x12345678, 4), "neither a bitmap nor a PNG"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    ExpectResourceError([&] { ReadIconFile(c.Bytes); }, c.Words);
  }
}

TEST(VersionNumber, TakesUpToFourNumbersOf16Bits) {
  const struct {
    const char* Text;
    std::optional<TVersionNumber> Expected;
  } cases[] = {
      {"1.2.3.4", TVersionNumber{1, 2, 3, 4}},
      {"65535.0.0.65535", TVersionNumber{65535, 0, 0, 65535}},
      {"3.1.4", TVersionNumber{3, 1, 4, 0}},
      {"7", TVersionNumber{7, 0, 0, 0}},
      {"007.10", TVersionNumber{7, 10, 0, 0}},
      {"", std::nullopt},
      {"1.2.3.4.5", std::nullopt},
      {"65536", std::nullopt},
      {"99999999999999999999", std::nullopt},
      {"1..2", std::nullopt},
      {"1.2.", std::nullopt},
      {".1", std::nullopt},
      {"1.2.x", std::nullopt},
      {"-1", std::nullopt},
      {"1 .2", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Text);
    EXPECT_EQ(ParseVersionNumber(c.Text), c.Expected);
  }
  EXPECT_EQ(FormatVersionNumber({2026, 1, 0, 0}), "2026.1.0.0");
}

std::vector<uint8_t> FromHex(std::string_view hex) {
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes.push_back(static_cast<uint8_t>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
  }
  return bytes;
}

// What the MinGW resource compiler wrote for FILEVERSION 1,2,3,4,
// PRODUCTVERSION 5,6,7,8, the strings ProductName "Tessera" and FileVersion
// "1.2.3.4" in table 040904B0, and the translation 0x0409, 1200.
std::vector<uint8_t> CompiledVersionResource() {
  return FromHex("3c0134000000560053005f00560045005200530049004f004e005f0049004e0046004f0000000000b"
                 "d04effe00000100"
                 "020001000400030006000500080007003f00000000000000040004000100000000000000000000000"
                 "00000009c000000"
                 "010053007400720069006e006700460069006c00650049006e0066006f00000078000000010030003"
                 "400300039003000"
                 "3400420030000000300008000100500072006f0064007500630074004e0061006d006500000000005"
                 "400650073007300"
                 "6500720061000000300008000100460069006c006500560065007200730069006f006e00000000003"
                 "1002e0032002e00"
                 "33002e0034000000440000000100560061007200460069006c00650049006e0066006f00000000002"
                 "400040000005400"
                 "720061006e0073006c006100740069006f006e00000000000904b004");
}

TEST(VersionInfo, ReadsWhatAResourceCompilerWroteAndWritesItBackTheSame) {
  const std::vector<uint8_t> compiled = CompiledVersionResource();
  const TVersionInfo info = ParseVersionInfo(compiled);
  EXPECT_EQ(info.FileVersion(), (TVersionNumber{1, 2, 3, 4}));
  EXPECT_EQ(info.ProductVersion(), (TVersionNumber{5, 6, 7, 8}));
  EXPECT_EQ(info.Fixed[8], 0x00040004u); // VOS_NT_WINDOWS32
  ASSERT_EQ(info.Tables.size(), 1u);
  EXPECT_EQ(info.Tables[0].Key, u"040904B0");
  EXPECT_EQ(info.String(u"ProductName"), u"Tessera");
  EXPECT_EQ(info.String(u"FileVersion"), u"1.2.3.4");
  EXPECT_EQ(info.String(u"CompanyName"), std::nullopt);
  EXPECT_EQ(info.Translations, std::vector<uint32_t>{0x04B00409u});
  EXPECT_EQ(BuildVersionInfo(info), compiled);
}

TEST(VersionInfo, SetsStringsInEveryTableAndVersionsInTheFixedPart) {
  TVersionInfo info = TVersionInfo::Blank();
  info.Tables.push_back({u"040704B0", {{u"ProductName", u"Alt"}}});
  info.SetString(u"ProductName", u"Notes für alle");
  info.SetString(u"CompanyName", u"Example");
  info.SetFileVersion({1, 2, 3, 4});
  info.SetProductVersion({65535, 0, 0, 1});
  const TVersionInfo read = ParseVersionInfo(BuildVersionInfo(info));
  EXPECT_EQ(read.FileVersion(), (TVersionNumber{1, 2, 3, 4}));
  EXPECT_EQ(read.ProductVersion(), (TVersionNumber{65535, 0, 0, 1}));
  ASSERT_EQ(read.Tables.size(), 2u);
  for (const TVersionStringTable& table : read.Tables) {
    SCOPED_TRACE(Utf16ToUtf8(table.Key));
    const std::vector<std::pair<std::u16string, std::u16string>> expected = {
        {u"ProductName", u"Notes für alle"}, {u"CompanyName", u"Example"}};
    EXPECT_EQ(table.Strings, expected);
  }
  EXPECT_EQ(read.Translations, info.Translations);
}

TEST(VersionInfo, RefusesDamagedResourcesAndStringsTooLong) {
  const std::vector<uint8_t> good = CompiledVersionResource();
  const auto changed = [&](size_t offset, uint32_t value, size_t width) {
    return testing::Changed(good, offset, value, width);
  };
  std::vector<uint8_t> cut = good;
  cut.resize(100);
  const struct {
    const char* What;
    std::vector<uint8_t> Bytes;
    const char* Words;
  } cases[] = {
      {"empty", {}, "truncated or damaged"},
      {"cut short", cut, "damaged"},
      {"a length of zero", changed(0, 0, 2), "damaged"},
      {"a child longer than its parent", changed(0x5C, 0x200, 2), "damaged"},
      {"another root key", changed(6, 'X', 2), "VS_VERSION_INFO"},
      {"a bad signature", changed(40, 0x12345678, 4), "bad signature"},
      {"an unknown block", changed(0x5C + 6, 'X', 2), "does not know"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    ExpectResourceError([&] { ParseVersionInfo(c.Bytes); }, c.Words);
  }
  TVersionInfo info = TVersionInfo::Blank();
  info.SetString(u"Comments", std::u16string(40000, u'x'));
  ExpectResourceError([&] { BuildVersionInfo(info); }, "too long");
}

// An icon group naming the given images.
std::vector<uint8_t> Group(const std::vector<uint16_t>& ids) {
  std::vector<uint8_t> b;
  Put(b, 2, 1, 2);
  Put(b, 4, ids.size(), 2);
  for (size_t i = 0; i < ids.size(); ++i) {
    Put(b, 6 + i * 14 + 12, ids[i], 2);
  }
  b.resize(6 + ids.size() * 14);
  return b;
}

const TResource* Find(const TResourceList& resources, uint16_t type, const TResourceId& name) {
  for (const TResource& resource : resources) {
    if (resource.Type == TResourceId::Of(type) && resource.Name == name) {
      return &resource;
    }
  }
  return nullptr;
}

TEST(ChangeExeIcon, ReplacesTheFirstGroupAndOnlyTheImagesNoOtherGroupUses) {
  // MAINICON (the shell's: names sort before numbers) uses images 1 and 2;
  // group 5 uses 2 and 3.
  TResourceList resources = {
      {TResourceId::Of(kResourceGroupIcon), TResourceId::Of(5), 0x409, 0, Group({2, 3})},
      {TResourceId::Of(kResourceGroupIcon), TResourceId::Named(u"MAINICON"), 0x407, 0,
       Group({1, 2})},
      {TResourceId::Of(kResourceIcon), TResourceId::Of(1), 0x407, 0, {1}},
      {TResourceId::Of(kResourceIcon), TResourceId::Of(2), 0x407, 0, {2}},
      {TResourceId::Of(kResourceIcon), TResourceId::Of(3), 0x409, 0, {3}},
  };
  const std::vector<TIconImage> icon = {{48, 48, 0, 1, 32, {7, 7}}, {0, 0, 0, 1, 32, {8, 8, 8}}};
  ChangeExeIcon(resources, icon);

  const TResource* group = Find(resources, kResourceGroupIcon, TResourceId::Named(u"MAINICON"));
  ASSERT_NE(group, nullptr);
  EXPECT_EQ(group->Language, 0x407);
  // Image 1 was freed and is taken again; 2 and 3 stay for group 5.
  std::vector<uint8_t> expected = Group({1, 4});
  expected[6] = 48;
  expected[7] = 48;
  Put(expected, 6 + 4, 1, 2);
  Put(expected, 6 + 6, 32, 2);
  Put(expected, 6 + 8, 2, 4);
  Put(expected, 20 + 4, 1, 2);
  Put(expected, 20 + 6, 32, 2);
  Put(expected, 20 + 8, 3, 4);
  EXPECT_EQ(group->Data, expected);
  ASSERT_NE(Find(resources, kResourceIcon, TResourceId::Of(1)), nullptr);
  EXPECT_EQ(Find(resources, kResourceIcon, TResourceId::Of(1))->Data, (std::vector<uint8_t>{7, 7}));
  EXPECT_EQ(Find(resources, kResourceIcon, TResourceId::Of(4))->Data,
            (std::vector<uint8_t>{8, 8, 8}));
  EXPECT_EQ(Find(resources, kResourceIcon, TResourceId::Of(2))->Data, (std::vector<uint8_t>{2}));
  EXPECT_EQ(Find(resources, kResourceIcon, TResourceId::Of(3))->Data, (std::vector<uint8_t>{3}));
  EXPECT_EQ(resources.size(), 6u);
  // The result is a valid resource tree.
  EXPECT_NO_THROW(BuildResourceSection(resources, 0x1000));
}

TEST(ChangeExeIcon, GivesAnImageWithoutIconsTheMainIcon) {
  TResourceList resources = {
      {TResourceId::Of(kResourceVersion), TResourceId::Of(1), 0x409, 0, {1, 2}}};
  ChangeExeIcon(resources, {{16, 16, 0, 1, 32, {9}}});
  ASSERT_EQ(resources.size(), 3u);
  const TResource* group = Find(resources, kResourceGroupIcon, TResourceId::Named(u"MAINICON"));
  ASSERT_NE(group, nullptr);
  EXPECT_EQ(Get(group->Data, 6 + 12, 2), 1u);
  ASSERT_NE(Find(resources, kResourceIcon, TResourceId::Of(1)), nullptr);
}

TEST(UpdateExeInfo, SetsTheGivenStringsAndVersionsAndKeepsTheRest) {
  const auto text = [](const TVersionInfo& info, std::u16string_view name) {
    return Utf16ToUtf8(info.String(name).value_or(u"(none)"));
  };
  const struct {
    const char* What;
    TExeInfo Info;
    std::vector<std::pair<std::u16string, std::string>> Strings;
    TVersionNumber File;
  } cases[] = {
      {"a product name is the description too",
       {"Notes", std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt},
       {{u"ProductName", "Notes"}, {u"FileDescription", "Notes"}, {u"FileVersion", "1.2.3.4"}},
       {1, 2, 3, 4}},
      {"every option",
       {"Notes", TVersionNumber{3, 1, 4, 0}, "Example", "Takes notes", "© Example", "notes.exe"},
       {{u"ProductName", "Notes"},
        {u"FileDescription", "Takes notes"},
        {u"CompanyName", "Example"},
        {u"LegalCopyright", "© Example"},
        {u"FileVersion", "3.1.4.0"},
        {u"ProductVersion", "3.1.4.0"},
        {u"OriginalFilename", "notes.exe"},
        {u"InternalName", "notes"}},
       {3, 1, 4, 0}},
      {"a version alone",
       {std::nullopt, TVersionNumber{9, 0, 0, 0}, std::nullopt, std::nullopt, std::nullopt,
        std::nullopt},
       {{u"ProductName", "Tessera"}, {u"ProductVersion", "9.0.0.0"}},
       {9, 0, 0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    TResourceList resources = {{TResourceId::Of(kResourceVersion), TResourceId::Of(1), 0x409, 0,
                                CompiledVersionResource()}};
    UpdateExeInfo(resources, c.Info);
    ASSERT_EQ(resources.size(), 1u);
    const TVersionInfo info = ParseVersionInfo(resources[0].Data);
    for (const auto& [name, value] : c.Strings) {
      EXPECT_EQ(text(info, name), value) << Utf16ToUtf8(name);
    }
    EXPECT_EQ(info.FileVersion(), c.File);
  }
}

TEST(UpdateExeInfo, GivesAnImageWithoutVersionOne) {
  TResourceList resources;
  TExeInfo info;
  info.ProductName = "Notes";
  UpdateExeInfo(resources, info);
  ASSERT_EQ(resources.size(), 1u);
  EXPECT_EQ(resources[0].Type, TResourceId::Of(kResourceVersion));
  EXPECT_EQ(resources[0].Name, TResourceId::Of(1));
  const TVersionInfo read = ParseVersionInfo(resources[0].Data);
  EXPECT_EQ(read.String(u"ProductName"), u"Notes");
  EXPECT_EQ(read.Translations, std::vector<uint32_t>{0x04B00409u});
}

} // namespace
} // namespace tessera
