#include "package/pe_resources.h"

#include "base/stream.h"
#include "package/image_end.h"
#include "pe_test_image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>

namespace tessera {
namespace {

using testing::ExpectResourceError;
using testing::Get;
using testing::MakeTestPe;
using testing::Put;
using testing::TestDirectory;
using testing::TestRelocations;
using testing::TestSectionRva;
using testing::TestSections;

constexpr size_t kChecksum = testing::kTestOptionalHeader + 64;
constexpr size_t kSizeOfImage = testing::kTestOptionalHeader + 56;

std::vector<uint8_t> Filled(size_t size, uint8_t seed) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) {
    bytes[i] = static_cast<uint8_t>(seed + i * 7);
  }
  return bytes;
}

TResource Resource(TResourceId type, TResourceId name, uint16_t language, std::vector<uint8_t> data,
                   uint32_t codePage = 0) {
  return {std::move(type), std::move(name), language, codePage, std::move(data)};
}

// Named types and names, two languages of one name, odd sizes.
TResourceList SampleResources() {
  return {Resource(TResourceId::Of(kResourceVersion), TResourceId::Of(1), 0x409, Filled(37, 1)),
          Resource(TResourceId::Named(u"CUSTOM"), TResourceId::Of(7), 0, Filled(1, 2), 1252),
          Resource(TResourceId::Of(kResourceGroupIcon), TResourceId::Named(u"MAINICON"), 0x409,
                   Filled(20, 3)),
          Resource(TResourceId::Of(kResourceVersion), TResourceId::Of(1), 0x407, Filled(5, 4)),
          Resource(TResourceId::Of(kResourceIcon), TResourceId::Of(1), 0x409, Filled(300, 5)),
          Resource(TResourceId::Of(kResourceGroupIcon), TResourceId::Named(u"ANOTHER"), 0x409, {})};
}

// The order of a resource directory: types, names, languages, with names
// before numbers at each level.
TResourceList Sorted(TResourceList resources) {
  std::sort(resources.begin(), resources.end(), [](const TResource& a, const TResource& b) {
    return std::tie(a.Type, a.Name, a.Language) < std::tie(b.Type, b.Name, b.Language);
  });
  return resources;
}

void ExpectSameResources(const TResourceList& actual, const TResourceList& expected) {
  ASSERT_EQ(actual.size(), expected.size());
  for (size_t i = 0; i < actual.size(); ++i) {
    SCOPED_TRACE("resource " + std::to_string(i));
    EXPECT_EQ(actual[i].Type, expected[i].Type);
    EXPECT_EQ(actual[i].Name, expected[i].Name);
    EXPECT_EQ(actual[i].Language, expected[i].Language);
    EXPECT_EQ(actual[i].CodePage, expected[i].CodePage);
    EXPECT_EQ(actual[i].Data, expected[i].Data);
  }
}

TEST(ResourceSection, RoundTripsInDirectoryOrder) {
  const TResourceList resources = SampleResources();
  const std::vector<uint8_t> section = BuildResourceSection(resources, 0x5000);
  EXPECT_EQ(section.size() % 8, 0u);
  const TResourceList read = ParseResourceSection(section, 0x5000);
  ExpectSameResources(read, Sorted(resources));
  EXPECT_EQ(read[0].Type.ToString(), "CUSTOM");
  EXPECT_EQ(read[1].Type.ToString(), "#3");
}

TEST(ResourceSection, RefusesTwoResourcesOfTheSameTypeNameAndLanguage) {
  TResourceList resources = SampleResources();
  resources.push_back(resources.front());
  ExpectResourceError([&] { BuildResourceSection(resources, 0x1000); }, "both named #1");
}

// Type 16, name 1, language 0x409, four bytes: laid out by hand as a
// resource compiler does.
std::vector<uint8_t> HandLaidSection(uint32_t base) {
  std::vector<uint8_t> b;
  Put(b, 0x0E, 1, 2);
  Put(b, 0x10, 16, 4);
  Put(b, 0x14, 0x80000018, 4);
  Put(b, 0x18 + 0x0E, 1, 2);
  Put(b, 0x28, 1, 4);
  Put(b, 0x2C, 0x80000030, 4);
  Put(b, 0x30 + 0x0E, 1, 2);
  Put(b, 0x40, 0x409, 4);
  Put(b, 0x44, 0x48, 4);
  Put(b, 0x48, base + 0x58, 4);
  Put(b, 0x4C, 4, 4);
  Put(b, 0x50, 1252, 4);
  Put(b, 0x58, 0x64636261, 4); // "abcd"
  return b;
}

TEST(ResourceSection, ReadsADirectoryLaidOutByHand) {
  const TResourceList read = ParseResourceSection(HandLaidSection(0x7000), 0x7000);
  ExpectSameResources(
      read, {Resource(TResourceId::Of(16), TResourceId::Of(1), 0x409, {'a', 'b', 'c', 'd'}, 1252)});
}

TEST(ResourceSection, RefusesDamagedDirectories) {
  const uint32_t base = 0x7000;
  const struct {
    const char* What;
    size_t Offset;
    uint32_t Value;
    const char* Words;
  } cases[] = {
      {"a type pointing back at the root", 0x14, 0x80000000, "more than three levels"},
      {"a name that is data, not a directory", 0x2C, 0x30, "not three levels"},
      {"a language that is a directory", 0x44, 0x80000030, "more than three levels"},
      {"a named language", 0x40, 0x8000004C, "more than three levels"},
      {"a number past 16 bits", 0x10, 0x10010, "bad number"},
      {"a name past the end", 0x10, 0x80001000, "truncated or damaged"},
      {"an empty name", 0x10, 0x80000054, "empty name"},
      {"more entries than bytes", 0x0C, 0xFFFF0000, "truncated or damaged"},
      {"data before the section", 0x48, base - 4, "outside its resource section"},
      {"data past the section", 0x4C, 0x1000, "outside its resource section"},
      {"data whose size wraps", 0x4C, 0xFFFFFFFF, "outside its resource section"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    std::vector<uint8_t> bytes = HandLaidSection(base);
    Put(bytes, c.Offset, c.Value, 4);
    ExpectResourceError([&] { ParseResourceSection(bytes, base); }, c.Words);
  }
  // Cut anywhere, the directory is damaged, never read past.
  const std::vector<uint8_t> whole = HandLaidSection(base);
  for (size_t size = 0; size < whole.size(); ++size) {
    SCOPED_TRACE("cut at " + std::to_string(size));
    const std::vector<uint8_t> cut(whole.begin(), whole.begin() + static_cast<ptrdiff_t>(size));
    EXPECT_THROW(ParseResourceSection(cut, base), EResourceError);
  }
}

TEST(ResourceSection, BoundsTheWorkOfSharedSubdirectories) {
  // Every type and every name of 4096 entries shares one subdirectory: the
  // walk would reach 4096^2 resources; it stops at a bound instead.
  const size_t count = 4096;
  std::vector<uint8_t> b;
  const size_t names = 16 + count * 8;
  const size_t languages = names + 16 + count * 8;
  const size_t data = languages + 16 + 8;
  Put(b, 0x0E, count, 2);
  Put(b, names + 0x0E, count, 2);
  for (size_t i = 0; i < count; ++i) {
    Put(b, 16 + i * 8, i + 1, 4);
    Put(b, 16 + i * 8 + 4, 0x80000000 | names, 4);
    Put(b, names + 16 + i * 8, i + 1, 4);
    Put(b, names + 16 + i * 8 + 4, 0x80000000 | languages, 4);
  }
  Put(b, languages + 0x0E, 1, 2);
  Put(b, languages + 16, 0x409, 4);
  Put(b, languages + 20, data, 4);
  Put(b, data, 0x1000 + data + 16, 4);
  Put(b, data + 4, 1, 4);
  b.resize(data + 17);
  ExpectResourceError([&] { ParseResourceSection(b, 0x1000); }, "more resources than it can hold");
}

TEST(ResourceSection, BoundsTheBytesOfSharedData) {
  // Eight types share one name directory, whose eight names share one
  // language directory, whose eight languages share one data entry that
  // covers the whole section: 512 copies of it. A few are allowed, since
  // resources may share their bytes; this many are refused.
  const size_t count = 8;
  const size_t names = 16 + count * 8;
  const size_t languages = names + 16 + count * 8;
  const size_t data = languages + 16 + count * 8;
  std::vector<uint8_t> b(data + 16 + 64, 0);
  for (const size_t directory : {size_t{0}, names, languages}) {
    Put(b, directory + 0x0E, count, 2);
    for (size_t i = 0; i < count; ++i) {
      Put(b, directory + 16 + i * 8, i + 1, 4);
      Put(b, directory + 16 + i * 8 + 4,
          directory == languages ? data : 0x80000000 | (directory == 0 ? names : languages), 4);
    }
  }
  Put(b, data, 0x1000, 4);
  Put(b, data + 4, b.size(), 4);
  ExpectResourceError([&] { ParseResourceSection(b, 0x1000); }, "more resources than it can hold");
  // Two languages sharing the bytes of one resource are read.
  Put(b, languages + 0x0E, 2, 2);
  Put(b, 0x0E, 1, 2);
  Put(b, names + 0x0E, 1, 2);
  const TResourceList read = ParseResourceSection(b, 0x1000);
  ASSERT_EQ(read.size(), 2u);
  EXPECT_EQ(read[0].Data, read[1].Data);
  EXPECT_EQ(read[1].Data.size(), b.size());
}

TEST(PeChecksum, SumsWordsWithTheCarryFoldedBackPlusTheLength) {
  const std::vector<uint8_t> plain = {0x01, 0x00, 0x02, 0x00, 0xAA, 0xBB, 0xCC, 0xDD};
  // The words at 4 and 6 are the checksum field: not counted.
  EXPECT_EQ(PeChecksum(plain, 4), 3u + 8u);
  const std::vector<uint8_t> carry = {0xFF, 0xFF, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x05};
  // 0xFFFF + 3 folds to 3; the odd last byte counts as a word of its own.
  EXPECT_EQ(PeChecksum(carry, 4), 3u + 5u + 9u);
}

// An image as the linker leaves it: code, data, resources, relocations.
std::vector<uint8_t> SampleImage(const TResourceList& resources) {
  const std::vector<uint8_t> rsrc = BuildResourceSection(resources, TestSectionRva(2));
  return MakeTestPe({{".text", Filled(100, 9), 0x60000020},
                     {".rdata", Filled(700, 10)},
                     {".rsrc", rsrc, 0xC0000040},
                     {".reloc", TestRelocations(TestSectionRva(0)), 0x42000040}},
                    {{2, 2, static_cast<uint32_t>(rsrc.size())}, {5, 3, 12}, {1, 1, 40}});
}

uint32_t AlignPage(uint64_t value) {
  return static_cast<uint32_t>((value + 0xFFF) / 0x1000 * 0x1000);
}

// What every rewritten image must hold: the resources, the relocations
// where the directory says, the other sections untouched, the headers
// and the file's end in agreement.
void ExpectRewritten(const std::vector<uint8_t>& before, const std::vector<uint8_t>& after,
                     const TResourceList& resources, const std::vector<std::string>& names) {
  const auto sections = TestSections(after);
  ASSERT_EQ(sections.size(), names.size());
  for (size_t i = 0; i < names.size(); ++i) {
    EXPECT_EQ(sections[i].Name, names[i]);
  }
  ExpectSameResources(ReadImageResources(after), Sorted(resources));

  const auto rsrc = std::find_if(sections.begin(), sections.end(),
                                 [](const auto& s) { return s.Name == ".rsrc"; });
  ASSERT_NE(rsrc, sections.end());
  EXPECT_EQ(TestDirectory(after, 2), std::make_pair(rsrc->VirtualAddress, rsrc->VirtualSize));
  EXPECT_EQ(rsrc->RawSize % testing::kTestFileAlignment, 0u);

  // Sections before the resources: the same bytes at the same places.
  for (const auto& old : TestSections(before)) {
    if (old.Name == ".rsrc" || old.Name == ".reloc") {
      continue;
    }
    const auto now = std::find_if(sections.begin(), sections.end(),
                                  [&](const auto& s) { return s.Name == old.Name; });
    ASSERT_NE(now, sections.end());
    EXPECT_EQ(now->VirtualAddress, old.VirtualAddress);
    EXPECT_EQ(now->RawPointer, old.RawPointer);
    EXPECT_TRUE(std::equal(before.begin() + old.RawPointer,
                           before.begin() + old.RawPointer + old.RawSize,
                           after.begin() + now->RawPointer));
  }
  const auto reloc = std::find_if(sections.begin(), sections.end(),
                                  [](const auto& s) { return s.Name == ".reloc"; });
  if (reloc != sections.end()) {
    EXPECT_EQ(reloc->VirtualAddress, AlignPage(uint64_t{rsrc->VirtualAddress} + rsrc->VirtualSize));
    EXPECT_EQ(reloc->RawPointer, rsrc->RawPointer + rsrc->RawSize);
    EXPECT_EQ(TestDirectory(after, 5), std::make_pair(reloc->VirtualAddress, 12u));
    const std::vector<uint8_t> relocations = TestRelocations(TestSectionRva(0));
    EXPECT_TRUE(
        std::equal(relocations.begin(), relocations.end(), after.begin() + reloc->RawPointer));
  }
  const auto& last = sections.back();
  EXPECT_EQ(Get(after, kSizeOfImage, 4),
            AlignPage(uint64_t{last.VirtualAddress} + last.VirtualSize));
  EXPECT_EQ(after.size(), last.RawPointer + last.RawSize);
  TMemoryStream stream(after);
  EXPECT_EQ(GetImageEnd(stream), static_cast<int64_t>(after.size()));
  EXPECT_NE(Get(after, kChecksum, 4), 0u);
  EXPECT_EQ(Get(after, kChecksum, 4), PeChecksum(after, kChecksum));
}

TEST(ReplaceImageResources, RebuildsTheSectionInPlaceAndMovesTheRelocationsBehindIt) {
  const std::vector<uint8_t> before = SampleImage(SampleResources());
  const TResourceList grown = {
      Resource(TResourceId::Of(kResourceIcon), TResourceId::Of(1), 0, Filled(9000, 1)),
      Resource(TResourceId::Of(kResourceVersion), TResourceId::Of(1), 0x409, Filled(60, 2))};
  const struct {
    const char* What;
    TResourceList Resources;
  } cases[] = {{"the same", SampleResources()}, {"grown past pages", grown}, {"none at all", {}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    const std::vector<uint8_t> after = ReplaceImageResources(before, c.Resources);
    ExpectRewritten(before, after, c.Resources, {".text", ".rdata", ".rsrc", ".reloc"});
  }
}

TEST(ReplaceImageResources, GivesAnImageWithoutResourcesANewSection) {
  const std::vector<uint8_t> relocations = TestRelocations(TestSectionRva(0));
  const struct {
    const char* What;
    std::vector<uint8_t> Image;
    std::vector<std::string> Names;
  } cases[] = {
      {"before its relocations",
       MakeTestPe({{".text", Filled(64, 1), 0x60000020}, {".reloc", relocations, 0x42000040}},
                  {{5, 1, 12}}),
       {".text", ".rsrc", ".reloc"}},
      {"after its last section",
       MakeTestPe({{".text", Filled(64, 1), 0x60000020}}, {}),
       {".text", ".rsrc"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    EXPECT_TRUE(ReadImageResources(c.Image).empty());
    const std::vector<uint8_t> after = ReplaceImageResources(c.Image, SampleResources());
    ExpectRewritten(c.Image, after, SampleResources(), c.Names);
  }
}

TEST(ReplaceImageResources, RefusesImagesItCannotRewriteSafely) {
  const std::vector<uint8_t> sample = SampleImage(SampleResources());
  const auto rsrcRva = TestSectionRva(2);
  const auto withDirectory = [&](size_t index, uint32_t rva, uint32_t size) {
    std::vector<uint8_t> image = sample;
    Put(image, testing::kTestDirectories + index * 8, rva, 4);
    Put(image, testing::kTestDirectories + index * 8 + 4, size, 4);
    return image;
  };
  std::vector<uint8_t> appended = sample;
  appended.push_back(0x50);
  std::vector<uint8_t> fixupsInResources = sample;
  Put(fixupsInResources, TestSections(sample)[3].RawPointer, rsrcRva, 4);
  std::vector<uint8_t> crowded = MakeTestPe({{".text", Filled(64, 1), 0x60000020}}, {});
  Put(crowded, testing::kTestSectionTable + 40 + 3, 0x7F, 1);
  std::vector<uint8_t> truncated = sample;
  truncated.resize(truncated.size() - 0x100);
  const std::vector<uint8_t> dataAfter =
      MakeTestPe({{".text", Filled(64, 1), 0x60000020},
                  {".rsrc", BuildResourceSection({}, TestSectionRva(1))},
                  {".data", Filled(64, 2), 0xC0000040}},
                 {{2, 1, 16}});

  const struct {
    const char* What;
    std::vector<uint8_t> Image;
    const char* Words;
  } cases[] = {
      {"a signed image", withDirectory(4, 0x9000, 0x100), "signed"},
      {"debug data", withDirectory(6, TestSectionRva(1), 28), "debug data"},
      {"imports among the resources", withDirectory(1, rsrcRva + 0x10, 40), "data directory 1"},
      {"a section other than relocations after them", dataAfter, "section .data"},
      {"fix-ups among the resources", fixupsInResources, "fix-ups"},
      {"data after the image", appended, "data after its image"},
      {"no room for another section header", crowded, "no room"},
      {"a truncated image", truncated, "lies past its end"},
      {"no PE image", std::vector<uint8_t>(0x200, 'M'), "not a Windows (PE) image"},
      {"an ELF image", testing::MakeElf(true, false, {{0, 0x100, 1}}, {}, 0),
       "not a Windows (PE) image"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    ExpectResourceError([&] { ReplaceImageResources(c.Image, SampleResources()); }, c.Words);
  }
}

} // namespace
} // namespace tessera
