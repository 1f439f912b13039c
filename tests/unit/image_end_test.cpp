#include "package/image_end.h"

#include "image_fixtures.h"

#include <gtest/gtest.h>

namespace tessera {
namespace {

using testing::MakeElf;
using testing::MakePe;

std::optional<int64_t> EndOf(std::vector<uint8_t> bytes) {
  TMemoryStream stream(std::move(bytes));
  return GetImageEnd(stream);
}

TEST(ImageEnd, PeEndIsTheLargestSectionEndWhereverItStands) {
  // The section that ends last is in the middle of the table; the empty
  // (uninitialized data) section does not move the end.
  EXPECT_EQ(EndOf(MakePe({{0x400, 0x200}, {0x600, 0x1000}, {0, 0}, {0x1600, 0x10}})), 0x1610);
  EXPECT_EQ(EndOf(MakePe({})), 0);
  // A different optional header size moves the section table.
  EXPECT_EQ(EndOf(MakePe({{0x200, 0x300}}, 112)), 0x500);
}

TEST(ImageEnd, PeSectionEndWrapsIn32Bits) {
  EXPECT_EQ(EndOf(MakePe({{0x400, 0x200}, {0xFFFFFF00, 0x200}})), 0x600);
}

TEST(ImageEnd, BrokenPeHeadersGiveNoEnd) {
  auto noSignature = MakePe({{0x400, 0x200}});
  noSignature[0x40] = 'X';
  auto farHeader = MakePe({{0x400, 0x200}});
  farHeader[0x3C] = 0xFF;
  farHeader[0x3F] = 0x7F; // e_lfanew far past the end
  auto cutTable = MakePe({{0x400, 0x200}, {0x600, 0x200}});
  cutTable.resize(0x40 + 24 + 240 + 40 + 8); // second section header cut short

  EXPECT_EQ(EndOf(noSignature), std::nullopt);
  EXPECT_EQ(EndOf(farHeader), std::nullopt);
  EXPECT_EQ(EndOf(cutTable), std::nullopt);
  EXPECT_EQ(EndOf({}), std::nullopt);
  EXPECT_EQ(EndOf({'M', 'Z'}), std::nullopt);
  EXPECT_EQ(EndOf(std::vector<uint8_t>(4096, 0xAB)), std::nullopt);
}

TEST(ImageEnd, ElfEndCoversSegmentsSectionsAndTheHeaderTable) {
  struct TCase {
    bool Is64;
    bool BigEndian;
  };
  for (const TCase c :
       {TCase{true, false}, TCase{false, false}, TCase{true, true}, TCase{false, true}}) {
    const size_t shEntSize = c.Is64 ? 64 : 40;
    // The section header table ends the file, as after strip.
    auto elf =
        MakeElf(c.Is64, c.BigEndian, {{0, 0x900, 1}},
                {{0, 0, 0}, {0x100, 0x800, 1}, {0xA00, 0x40, 1}, {0xA40, 0x100000, 8}}, 0xA40);
    EXPECT_EQ(EndOf(elf), int64_t(0xA40 + 4 * shEntSize)) << c.Is64 << c.BigEndian;

    // A section placed after the table ends the image (no file data for
    // type 8, so its size does not count).
    elf = MakeElf(c.Is64, c.BigEndian, {{0, 0x100, 1}}, {{0, 0, 0}, {0x800, 0x80, 1}}, 0x200);
    elf.resize(0x880);
    EXPECT_EQ(EndOf(elf), 0x880);

    // A segment reaching furthest.
    elf = MakeElf(c.Is64, c.BigEndian, {{0, 0x100, 1}, {0x1000, 0x234, 1}}, {{0, 0, 0}}, 0x200);
    elf.resize(0x1234);
    EXPECT_EQ(EndOf(elf), 0x1234);
  }
}

TEST(ImageEnd, TruncatedElfEndsPastTheFile) {
  auto elf = MakeElf(true, false, {{0, 0x100, 1}}, {{0, 0, 0}, {0x100, 0x100, 1}}, 0x200);
  elf.resize(0x220); // section header table cut short
  const auto end = EndOf(elf);
  ASSERT_TRUE(end.has_value());
  EXPECT_GT(*end, 0x220);
}

TEST(ImageEnd, HostileElfHeadersNeverReadOutside) {
  auto hugeCount = MakeElf(true, false, {}, {{0, 0, 0}}, 0x40);
  testing::Put(hugeCount, 0x3C, 0, 2);          // e_shnum 0: real count in section 0
  testing::Put(hugeCount, 0x40 + 32, ~0ULL, 8); // ... which claims 2^64-1 sections
  auto overflow = MakeElf(true, false, {{~0ULL - 4, 0x100, 1}}, {}, 0);
  auto tinyEntries = MakeElf(true, false, {{0, 0x100, 1}}, {}, 0);
  testing::Put(tinyEntries, 0x36, 4, 2); // program headers too small to hold their fields

  EXPECT_EQ(EndOf(hugeCount), std::nullopt); // the table end overflows
  EXPECT_EQ(EndOf(overflow), std::nullopt);
  EXPECT_EQ(EndOf(tinyEntries), std::nullopt);
}

} // namespace
} // namespace tessera
