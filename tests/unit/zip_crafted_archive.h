#pragma once

// Builds ZIP archives field by field for the reader's tests: entries the
// package writer never makes (deflated, unencrypted, without a data
// descriptor), a check byte taken from the wrong field, and the offsets of
// every record so that a test can damage one field.

#include "package/pkware_crypto.h"

#include <zlib.h>

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace tessera::ziptest {

struct TCraftedEntry {
  TCraftedEntry(std::string name, std::vector<uint8_t> data)
      : Name(std::move(name)), Data(std::move(data)) {}

  TCraftedEntry& SetMethod(uint16_t method) {
    Method = method;
    return *this;
  }
  TCraftedEntry& SetEncrypted(bool encrypted) {
    Encrypted = encrypted;
    return *this;
  }
  TCraftedEntry& SetDescriptor(bool descriptor) {
    DataDescriptor = descriptor;
    return *this;
  }
  TCraftedEntry& SetCheckByte(uint8_t checkByte) {
    CheckByte = checkByte;
    return *this;
  }

  std::string Name;
  std::vector<uint8_t> Data; // the plain content
  uint16_t Method = 0;       // 0 stored, 8 deflated (anything else is stored as is)
  bool Encrypted = true;
  bool DataDescriptor = true;
  uint16_t ModTime = 0x7A3C; // 15:17:56
  uint16_t ModDate = 0x5A21; // 2025-01-01
  // Overrides the check byte that the format asks for.
  std::optional<uint8_t> CheckByte;
};

struct TCraftedArchive {
  std::vector<uint8_t> Bytes;
  std::vector<size_t> LocalOffsets;   // per entry
  std::vector<size_t> DataOffsets;    // per entry: first byte after the local header
  std::vector<size_t> CentralOffsets; // per entry
  size_t CentralDirOffset = 0;
  size_t EndOffset = 0;

  void Put16(size_t at, uint16_t v) {
    Bytes.at(at) = static_cast<uint8_t>(v);
    Bytes.at(at + 1) = static_cast<uint8_t>(v >> 8);
  }
  void Put32(size_t at, uint32_t v) {
    Put16(at, static_cast<uint16_t>(v));
    Put16(at + 2, static_cast<uint16_t>(v >> 16));
  }
  uint32_t Get32(size_t at) const {
    return static_cast<uint32_t>(Bytes.at(at)) | (static_cast<uint32_t>(Bytes.at(at + 1)) << 8) |
           (static_cast<uint32_t>(Bytes.at(at + 2)) << 16) |
           (static_cast<uint32_t>(Bytes.at(at + 3)) << 24);
  }
  std::span<const uint8_t> Span() const { return Bytes; }
};

inline std::vector<uint8_t> RawDeflate(std::span<const uint8_t> data, int level = 9) {
  z_stream zs{};
  if (deflateInit2(&zs, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
    throw std::runtime_error("deflateInit2 failed");
  }
  std::vector<uint8_t> out(deflateBound(&zs, static_cast<uLong>(data.size())));
  zs.next_in = const_cast<uint8_t*>(data.data());
  zs.avail_in = static_cast<uInt>(data.size());
  zs.next_out = out.data();
  zs.avail_out = static_cast<uInt>(out.size());
  const int result = deflate(&zs, Z_FINISH);
  out.resize(zs.total_out);
  deflateEnd(&zs);
  if (result != Z_STREAM_END) {
    throw std::runtime_error("deflate failed");
  }
  return out;
}

inline TCraftedArchive CraftArchive(const std::vector<TCraftedEntry>& entries,
                                    const std::string& password) {
  TCraftedArchive archive;
  std::vector<uint8_t>& out = archive.Bytes;
  auto u16 = [&](uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
  };
  auto u32 = [&](uint32_t v) {
    u16(v & 0xFFFFu);
    u16(v >> 16);
  };
  auto bytes = [&](std::span<const uint8_t> b) { out.insert(out.end(), b.begin(), b.end()); };
  auto text = [&](const std::string& s) { out.insert(out.end(), s.begin(), s.end()); };

  struct TMeta {
    uint16_t Flags;
    uint32_t Crc;
    uint32_t Compressed;
  };
  std::vector<TMeta> metas;
  for (const TCraftedEntry& e : entries) {
    const uint32_t crc =
        static_cast<uint32_t>(crc32(0, e.Data.data(), static_cast<uInt>(e.Data.size())));
    std::vector<uint8_t> payload = e.Method == 8 ? RawDeflate(e.Data) : e.Data;
    if (e.Encrypted) {
      TPkwareKeys keys(password);
      const std::array<uint8_t, 11> random{3, 1, 4, 1, 5, 9, 2, 6, 5, 3, 5};
      const uint8_t check = e.CheckByte.value_or(PkwareCheckByte(e.DataDescriptor, e.ModTime, crc));
      const TPkwareHeader header = PkwareMakeHeader(keys, random, check);
      keys.Encrypt(payload);
      payload.insert(payload.begin(), header.begin(), header.end());
    }
    const uint16_t flags =
        static_cast<uint16_t>((e.Encrypted ? 1 : 0) | (e.DataDescriptor ? 8 : 0));
    metas.push_back({flags, crc, static_cast<uint32_t>(payload.size())});

    archive.LocalOffsets.push_back(out.size());
    u32(0x04034b50);
    u16(20);
    u16(flags);
    u16(e.Method);
    u16(e.ModTime);
    u16(e.ModDate);
    u32(e.DataDescriptor ? 0 : crc);
    u32(e.DataDescriptor ? 0 : static_cast<uint32_t>(payload.size()));
    u32(e.DataDescriptor ? 0 : static_cast<uint32_t>(e.Data.size()));
    u16(static_cast<uint16_t>(e.Name.size()));
    u16(0);
    text(e.Name);
    archive.DataOffsets.push_back(out.size());
    bytes(payload);
    if (e.DataDescriptor) {
      u32(0x08074b50);
      u32(crc);
      u32(static_cast<uint32_t>(payload.size()));
      u32(static_cast<uint32_t>(e.Data.size()));
    }
  }

  archive.CentralDirOffset = out.size();
  for (size_t i = 0; i < entries.size(); ++i) {
    const TCraftedEntry& e = entries[i];
    archive.CentralOffsets.push_back(out.size());
    u32(0x02014b50);
    u16(20);
    u16(20);
    u16(metas[i].Flags);
    u16(e.Method);
    u16(e.ModTime);
    u16(e.ModDate);
    u32(metas[i].Crc);
    u32(metas[i].Compressed);
    u32(static_cast<uint32_t>(e.Data.size()));
    u16(static_cast<uint16_t>(e.Name.size()));
    u16(0);
    u16(0);
    u16(0);
    u16(0);
    u32(0);
    u32(static_cast<uint32_t>(archive.LocalOffsets[i]));
    text(e.Name);
  }
  archive.EndOffset = out.size();
  u32(0x06054b50);
  u16(0);
  u16(0);
  u16(static_cast<uint16_t>(entries.size()));
  u16(static_cast<uint16_t>(entries.size()));
  u32(static_cast<uint32_t>(archive.EndOffset - archive.CentralDirOffset));
  u32(static_cast<uint32_t>(archive.CentralDirOffset));
  u16(0);
  return archive;
}

// Field offsets inside the records, for tests that damage one field.
namespace crafted {
inline constexpr size_t LocalFlags = 6;
inline constexpr size_t LocalModTime = 10;
inline constexpr size_t LocalNameSize = 26;
inline constexpr size_t LocalExtraSize = 28;
inline constexpr size_t CentralFlags = 8;
inline constexpr size_t CentralMethod = 10;
inline constexpr size_t CentralCrc = 16;
inline constexpr size_t CentralCompressed = 20;
inline constexpr size_t CentralUncompressed = 24;
inline constexpr size_t CentralNameSize = 28;
inline constexpr size_t CentralLocalOffset = 42;
inline constexpr size_t EndEntriesHere = 8;
inline constexpr size_t EndEntryCount = 10;
inline constexpr size_t EndCdSize = 12;
inline constexpr size_t EndCdOffset = 16;
inline constexpr size_t EndCommentSize = 20;
} // namespace crafted

} // namespace tessera::ziptest
