#pragma once

#include "image_fixtures.h"
#include "package/resource_bytes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace tessera::testing {

// PE32+ images complete enough for the resource rewriter: an optional
// header with sixteen data directories, sections at 0x1000, 0x2000, ...
// (each at most one page), their data in file order after 0x400 bytes of
// headers, 0x200 file alignment.

constexpr uint32_t kTestSectionAlignment = 0x1000;
constexpr uint32_t kTestFileAlignment = 0x200;
constexpr size_t kTestOptionalHeader = 0x40 + 24;
constexpr size_t kTestSectionTable = kTestOptionalHeader + 240;
constexpr size_t kTestDirectories = kTestOptionalHeader + 112;

struct TTestSection {
  std::string Name;
  std::vector<uint8_t> Data;
  uint32_t Characteristics = 0x40000040;
};

struct TTestDirectory {
  size_t Index;   // 2 resources, 5 relocations, ...
  size_t Section; // it starts its section
  uint32_t Size;
};

inline uint32_t TestSectionRva(size_t section) {
  return kTestSectionAlignment * static_cast<uint32_t>(section + 1);
}

inline std::vector<uint8_t> MakeTestPe(const std::vector<TTestSection>& sections,
                                       const std::vector<TTestDirectory>& directories) {
  std::vector<uint8_t> bytes(0x400, 0);
  bytes[0] = 'M';
  bytes[1] = 'Z';
  Put(bytes, 0x3C, 0x40, 4);
  Put(bytes, 0x40, 0x00004550, 4);
  Put(bytes, 0x44, 0x8664, 2);
  Put(bytes, 0x46, sections.size(), 2);
  Put(bytes, 0x54, 240, 2);
  Put(bytes, 0x56, 0x22, 2);
  const size_t opt = kTestOptionalHeader;
  Put(bytes, opt, 0x20B, 2);
  Put(bytes, opt + 16, TestSectionRva(0), 4); // entry point: the first section
  Put(bytes, opt + 24, 0x140000000ull, 8);
  Put(bytes, opt + 32, kTestSectionAlignment, 4);
  Put(bytes, opt + 36, kTestFileAlignment, 4);
  Put(bytes, opt + 40, 6, 2);
  Put(bytes, opt + 48, 6, 2);
  Put(bytes, opt + 56, TestSectionRva(sections.size()), 4); // SizeOfImage
  Put(bytes, opt + 60, 0x400, 4);
  Put(bytes, opt + 68, 2, 2); // GUI
  Put(bytes, opt + 108, 16, 4);
  for (const TTestDirectory& directory : directories) {
    Put(bytes, kTestDirectories + directory.Index * 8, TestSectionRva(directory.Section), 4);
    Put(bytes, kTestDirectories + directory.Index * 8 + 4, directory.Size, 4);
  }
  uint32_t raw = 0x400;
  for (size_t i = 0; i < sections.size(); ++i) {
    const TTestSection& section = sections[i];
    const size_t at = kTestSectionTable + i * 40;
    for (size_t c = 0; c < section.Name.size() && c < 8; ++c) {
      bytes[at + c] = static_cast<uint8_t>(section.Name[c]);
    }
    const auto rawSize = static_cast<uint32_t>((section.Data.size() + kTestFileAlignment - 1) /
                                               kTestFileAlignment * kTestFileAlignment);
    Put(bytes, at + 8, section.Data.size(), 4);
    Put(bytes, at + 12, TestSectionRva(i), 4);
    Put(bytes, at + 16, rawSize, 4);
    Put(bytes, at + 20, rawSize == 0 ? 0 : raw, 4);
    Put(bytes, at + 36, section.Characteristics, 4);
    if (rawSize != 0) {
      bytes.resize(raw + rawSize, 0);
      std::copy(section.Data.begin(), section.Data.end(), bytes.begin() + raw);
      raw += rawSize;
    }
  }
  return bytes;
}

// One block of base relocations: two 64-bit fix-ups in the page at rva.
inline std::vector<uint8_t> TestRelocations(uint32_t rva) {
  std::vector<uint8_t> bytes;
  Put(bytes, 0, rva, 4);
  Put(bytes, 4, 12, 4);
  Put(bytes, 8, 0xA008, 2);
  Put(bytes, 10, 0xA010, 2);
  return bytes;
}

inline uint64_t Get(const std::vector<uint8_t>& bytes, size_t offset, size_t width) {
  uint64_t value = 0;
  for (size_t i = 0; i < width; ++i) {
    value |= uint64_t{bytes.at(offset + i)} << (8 * i);
  }
  return value;
}

// A section header as an image holds it.
struct TTestSectionHeader {
  std::string Name;
  uint32_t VirtualSize, VirtualAddress, RawSize, RawPointer;
};

inline std::vector<TTestSectionHeader> TestSections(const std::vector<uint8_t>& image) {
  std::vector<TTestSectionHeader> sections;
  const auto count = static_cast<size_t>(Get(image, 0x46, 2));
  for (size_t i = 0; i < count; ++i) {
    const size_t at = kTestSectionTable + i * 40;
    std::string name(image.begin() + static_cast<ptrdiff_t>(at),
                     image.begin() + static_cast<ptrdiff_t>(at + 8));
    name.resize(name.find('\0') == std::string::npos ? 8 : name.find('\0'));
    sections.push_back({name, static_cast<uint32_t>(Get(image, at + 8, 4)),
                        static_cast<uint32_t>(Get(image, at + 12, 4)),
                        static_cast<uint32_t>(Get(image, at + 16, 4)),
                        static_cast<uint32_t>(Get(image, at + 20, 4))});
  }
  return sections;
}

inline std::pair<uint32_t, uint32_t> TestDirectory(const std::vector<uint8_t>& image,
                                                   size_t index) {
  return {static_cast<uint32_t>(Get(image, kTestDirectories + index * 8, 4)),
          static_cast<uint32_t>(Get(image, kTestDirectories + index * 8 + 4, 4))};
}

// Calls call and expects an EResourceError whose message holds words.
inline void ExpectResourceError(const std::function<void()>& call, const std::string& words) {
  try {
    call();
    ADD_FAILURE() << "no error, expected one saying \"" << words << "\"";
  } catch (const EResourceError& e) {
    EXPECT_NE(std::string(e.what()).find(words), std::string::npos) << e.what();
  }
}

// A copy of bytes with one little-endian field changed.
inline std::vector<uint8_t> Changed(std::vector<uint8_t> bytes, size_t offset, uint64_t value,
                                    size_t width) {
  Put(bytes, offset, value, width);
  return bytes;
}

} // namespace tessera::testing
