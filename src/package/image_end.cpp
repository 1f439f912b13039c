#include "package/image_end.h"

#include <algorithm>
#include <vector>

namespace tessera {

namespace {

// Reads exactly count bytes at offset, or nothing when the file is shorter.
std::optional<std::vector<uint8_t>> ReadAt(TStream& file, uint64_t offset, uint64_t count) {
  const auto size = static_cast<uint64_t>(file.Size());
  if (offset > size || count > size - offset) {
    return std::nullopt;
  }
  std::vector<uint8_t> bytes(static_cast<size_t>(count));
  file.SetPosition(static_cast<int64_t>(offset));
  size_t got = 0;
  while (got < bytes.size()) {
    const size_t n = file.Read(bytes.data() + got, bytes.size() - got);
    if (n == 0) {
      return std::nullopt;
    }
    got += n;
  }
  return bytes;
}

// Little- or big-endian field reader over a header already in memory.
class TFields {
public:
  TFields(const std::vector<uint8_t>& bytes, bool bigEndian) : FBytes(bytes), FBig(bigEndian) {}

  uint64_t Get(size_t offset, size_t width) const {
    uint64_t value = 0;
    for (size_t i = 0; i < width; ++i) {
      const size_t at = FBig ? offset + i : offset + width - 1 - i;
      value = (value << 8) | FBytes.at(at);
    }
    return value;
  }

private:
  const std::vector<uint8_t>& FBytes;
  bool FBig;
};

std::optional<int64_t> PeImageEnd(TStream& file) {
  const auto dos = ReadAt(file, 0, 0x40);
  if (!dos) {
    return std::nullopt;
  }
  const uint64_t peOffset = TFields(*dos, false).Get(0x3C, 4);
  const auto fileHeader = ReadAt(file, peOffset, 24);
  if (!fileHeader || (*fileHeader)[0] != 'P' || (*fileHeader)[1] != 'E' || (*fileHeader)[2] != 0 ||
      (*fileHeader)[3] != 0) {
    return std::nullopt;
  }
  const TFields header(*fileHeader, false);
  const uint64_t sectionCount = header.Get(4 + 2, 2);
  const uint64_t optionalHeaderSize = header.Get(4 + 16, 2);
  const auto table = ReadAt(file, peOffset + 24 + optionalHeaderSize, sectionCount * 40);
  if (!table) {
    return std::nullopt;
  }
  const TFields sections(*table, false);
  uint32_t end = 0;
  for (uint64_t i = 0; i < sectionCount; ++i) {
    const auto rawSize = static_cast<uint32_t>(sections.Get(i * 40 + 16, 4));
    const auto rawPointer = static_cast<uint32_t>(sections.Get(i * 40 + 20, 4));
    const uint32_t sectionEnd = rawPointer + rawSize; // wraps like the 32-bit fields do
    if (sectionEnd > end) {
      end = sectionEnd;
    }
  }
  return static_cast<int64_t>(end);
}

// Offsets of the fields that differ between 32- and 64-bit ELF files.
struct TElfLayout {
  size_t HeaderSize, PhOff, ShOff, EhSize, PhEntSize, PhNum, ShEntSize, ShNum;
  size_t AddrWidth;                               // width of offsets and sizes
  size_t PType, POffset, PFileSz, PhMin;          // program header
  size_t ShType, ShOffset, ShSize, ShInfo, ShMin; // section header
};

constexpr TElfLayout kElf32{52, 0x1C, 0x20, 0x28, 0x2A, 0x2C, 0x2E, 0x30, 4,
                            0,  4,    16,   32,   4,    16,   20,   28,   40};
constexpr TElfLayout kElf64{64, 0x20, 0x28, 0x34, 0x36, 0x38, 0x3A, 0x3C, 8,
                            0,  8,    32,   56,   4,    24,   32,   44,   64};

constexpr uint32_t kSectionNoBits = 8;
constexpr uint64_t kProgramHeaderExtended = 0xFFFF;

// a + b, or nothing when it overflows.
std::optional<uint64_t> Add(uint64_t a, uint64_t b) {
  return a > UINT64_MAX - b ? std::nullopt : std::optional<uint64_t>(a + b);
}

// a * b + c, or nothing when it overflows.
std::optional<uint64_t> TableEnd(uint64_t offset, uint64_t count, uint64_t entrySize) {
  if (entrySize != 0 && count > UINT64_MAX / entrySize) {
    return std::nullopt;
  }
  return Add(offset, count * entrySize);
}

std::optional<int64_t> ElfImageEnd(TStream& file, const std::vector<uint8_t>& ident) {
  const TElfLayout& layout = ident[4] == 2 ? kElf64 : kElf32;
  const bool big = ident[5] == 2;
  const auto head = ReadAt(file, 0, layout.HeaderSize);
  if (!head) {
    return std::nullopt;
  }
  const TFields header(*head, big);
  const uint64_t w = layout.AddrWidth;
  const uint64_t phOff = header.Get(layout.PhOff, w);
  const uint64_t shOff = header.Get(layout.ShOff, w);
  const uint64_t phEntSize = header.Get(layout.PhEntSize, 2);
  const uint64_t shEntSize = header.Get(layout.ShEntSize, 2);
  uint64_t phNum = header.Get(layout.PhNum, 2);
  uint64_t shNum = header.Get(layout.ShNum, 2);
  if ((phNum != 0 && phEntSize < layout.PhMin) || (shOff != 0 && shEntSize < layout.ShMin)) {
    return std::nullopt;
  }
  const auto fileSize = static_cast<uint64_t>(file.Size());
  uint64_t end = std::max<uint64_t>(header.Get(layout.EhSize, 2), layout.HeaderSize);

  // Counts that do not fit the header live in the first section header.
  if (shOff != 0 && (shNum == 0 || phNum == kProgramHeaderExtended)) {
    const auto first = ReadAt(file, shOff, layout.ShMin);
    if (!first) {
      return std::nullopt;
    }
    const TFields section(*first, big);
    if (shNum == 0) {
      shNum = section.Get(layout.ShSize, w);
    }
    if (phNum == kProgramHeaderExtended) {
      phNum = section.Get(layout.ShInfo, 4);
    }
  }

  const auto phEnd = TableEnd(phOff, phNum, phEntSize);
  const auto shEnd = TableEnd(shOff, shNum, shEntSize);
  if (!phEnd || !shEnd) {
    return std::nullopt;
  }
  end = std::max({end, phNum != 0 ? *phEnd : uint64_t{0}, shOff != 0 ? *shEnd : uint64_t{0}});
  // Tables that lie past the end of the file: the image is truncated, and
  // its end is already past the file's.
  if (end > fileSize) {
    return static_cast<int64_t>(std::min<uint64_t>(end, INT64_MAX));
  }

  if (phNum != 0) {
    const auto table = ReadAt(file, phOff, phNum * phEntSize);
    if (!table) {
      return std::nullopt;
    }
    const TFields ph(*table, big);
    for (uint64_t i = 0; i < phNum; ++i) {
      const auto segmentEnd =
          Add(ph.Get(i * phEntSize + layout.POffset, w), ph.Get(i * phEntSize + layout.PFileSz, w));
      if (!segmentEnd) {
        return std::nullopt;
      }
      end = std::max(end, *segmentEnd);
    }
  }
  if (shOff != 0 && shNum != 0) {
    const auto table = ReadAt(file, shOff, shNum * shEntSize);
    if (!table) {
      return std::nullopt;
    }
    const TFields sh(*table, big);
    for (uint64_t i = 0; i < shNum; ++i) {
      if (sh.Get(i * shEntSize + layout.ShType, 4) == kSectionNoBits) {
        continue;
      }
      const auto sectionEnd =
          Add(sh.Get(i * shEntSize + layout.ShOffset, w), sh.Get(i * shEntSize + layout.ShSize, w));
      if (!sectionEnd) {
        return std::nullopt;
      }
      end = std::max(end, *sectionEnd);
    }
  }
  return static_cast<int64_t>(std::min<uint64_t>(end, INT64_MAX));
}

} // namespace

std::optional<int64_t> GetImageEnd(TStream& file) {
  const auto ident = ReadAt(file, 0, 16);
  if (!ident) {
    return std::nullopt;
  }
  const auto& b = *ident;
  if (b[0] == 'M' && b[1] == 'Z') {
    return PeImageEnd(file);
  }
  if (b[0] == 0x7F && b[1] == 'E' && b[2] == 'L' && b[3] == 'F' && (b[4] == 1 || b[4] == 2) &&
      (b[5] == 1 || b[5] == 2)) {
    return ElfImageEnd(file, b);
  }
  return std::nullopt;
}

} // namespace tessera
