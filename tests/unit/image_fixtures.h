#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

namespace tessera::testing {

// Minimal executable images, just the headers that say where an image ends.

inline void Put(std::vector<uint8_t>& bytes, size_t offset, uint64_t value, size_t width,
                bool bigEndian = false) {
  if (bytes.size() < offset + width) {
    bytes.resize(offset + width);
  }
  for (size_t i = 0; i < width; ++i) {
    const size_t at = bigEndian ? offset + width - 1 - i : offset + i;
    bytes[at] = static_cast<uint8_t>(value >> (8 * i));
  }
}

struct TPeSection {
  uint32_t PointerToRawData;
  uint32_t SizeOfRawData;
};

// A PE image whose file is exactly as long as its largest section end (or
// its headers, when longer).
inline std::vector<uint8_t> MakePe(const std::vector<TPeSection>& sections,
                                   uint16_t optionalHeaderSize = 240) {
  std::vector<uint8_t> bytes(0x40, 0);
  bytes[0] = 'M';
  bytes[1] = 'Z';
  Put(bytes, 0x3C, 0x40, 4);
  const size_t pe = 0x40;
  Put(bytes, pe, 0x00004550, 4); // "PE\0\0"
  Put(bytes, pe + 4, 0x8664, 2);
  Put(bytes, pe + 4 + 2, sections.size(), 2);
  Put(bytes, pe + 4 + 16, optionalHeaderSize, 2);
  const size_t table = pe + 24 + optionalHeaderSize;
  uint32_t end = 0;
  for (size_t i = 0; i < sections.size(); ++i) {
    Put(bytes, table + i * 40 + 16, sections[i].SizeOfRawData, 4);
    Put(bytes, table + i * 40 + 20, sections[i].PointerToRawData, 4);
    end = std::max(end, sections[i].PointerToRawData + sections[i].SizeOfRawData);
  }
  bytes.resize(std::max<size_t>(table + sections.size() * 40, end));
  return bytes;
}

struct TElfPiece {
  uint64_t Offset;
  uint64_t Size;
  uint32_t Type; // section type (8 = no file data) or segment type
};

// An ELF image (64- or 32-bit, either byte order) with the given program
// segments and sections; the section header table goes at shOffset.
inline std::vector<uint8_t> MakeElf(bool is64, bool bigEndian,
                                    const std::vector<TElfPiece>& segments,
                                    const std::vector<TElfPiece>& sections, uint64_t shOffset) {
  const size_t ehSize = is64 ? 64 : 52;
  const size_t phEntSize = is64 ? 56 : 32;
  const size_t shEntSize = is64 ? 64 : 40;
  const size_t w = is64 ? 8 : 4;
  std::vector<uint8_t> b(ehSize, 0);
  b[0] = 0x7F;
  b[1] = 'E';
  b[2] = 'L';
  b[3] = 'F';
  b[4] = is64 ? 2 : 1;
  b[5] = bigEndian ? 2 : 1;
  b[6] = 1;
  const uint64_t phOff = segments.empty() ? 0 : ehSize;
  Put(b, is64 ? 0x20 : 0x1C, phOff, w, bigEndian);
  Put(b, is64 ? 0x28 : 0x20, sections.empty() ? 0 : shOffset, w, bigEndian);
  Put(b, is64 ? 0x34 : 0x28, ehSize, 2, bigEndian);
  Put(b, is64 ? 0x36 : 0x2A, phEntSize, 2, bigEndian);
  Put(b, is64 ? 0x38 : 0x2C, segments.size(), 2, bigEndian);
  Put(b, is64 ? 0x3A : 0x2E, shEntSize, 2, bigEndian);
  Put(b, is64 ? 0x3C : 0x30, sections.size(), 2, bigEndian);
  for (size_t i = 0; i < segments.size(); ++i) {
    const size_t at = phOff + i * phEntSize;
    Put(b, at, segments[i].Type, 4, bigEndian);
    Put(b, at + (is64 ? 8 : 4), segments[i].Offset, w, bigEndian);
    Put(b, at + (is64 ? 32 : 16), segments[i].Size, w, bigEndian);
  }
  for (size_t i = 0; i < sections.size(); ++i) {
    const size_t at = shOffset + i * shEntSize;
    Put(b, at + 4, sections[i].Type, 4, bigEndian);
    Put(b, at + (is64 ? 24 : 16), sections[i].Offset, w, bigEndian);
    Put(b, at + (is64 ? 32 : 20), sections[i].Size, w, bigEndian);
  }
  b.resize(std::max({b.size(), phOff + segments.size() * phEntSize,
                     sections.empty() ? 0 : shOffset + sections.size() * shEntSize}));
  return b;
}

} // namespace tessera::testing
