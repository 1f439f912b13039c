#include "package/zip_archive.h"

#include "base/ascii.h"
#include "base/exceptions.h"

#include <zlib.h>

#include <algorithm>
#include <climits>
#include <cstring>

namespace tessera {

using namespace zip_format;

namespace {

uint16_t Load16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t Load32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

uint8_t FoldAscii(uint8_t c) {
  return static_cast<uint8_t>(AsciiToLower(static_cast<char>(c)));
}

// FNV-1a over the name with A-Z folded, so that names that IndexOf treats
// as equal hash alike.
uint32_t FoldedHash(std::string_view name) {
  uint32_t hash = 2166136261u;
  for (const char c : name) {
    hash = (hash ^ FoldAscii(static_cast<uint8_t>(c))) * 16777619u;
  }
  return hash;
}

bool FoldedEqual(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldAscii(static_cast<uint8_t>(a[i])) != FoldAscii(static_cast<uint8_t>(b[i]))) {
      return false;
    }
  }
  return true;
}

uint32_t Crc32(std::span<const uint8_t> bytes) {
  return static_cast<uint32_t>(crc32_z(0, bytes.data(), bytes.size()));
}

// Deflate turns at most 258 bytes into one 2-bit code, so no stream grows by
// more than 1032 times (plus a little for the smallest inputs). A declared
// size beyond that cannot be true and is not worth an allocation.
constexpr uint64_t MaxDeflateRatio = 1032;
constexpr uint64_t DeflateSlack = 1024;

// The first output buffer of an inflation; it doubles as the output grows,
// up to the declared size, so memory follows what the data really holds.
constexpr size_t MinInflateBuffer = 16 * 1024;
constexpr size_t InputChunk = 64 * 1024;

class TInflater {
public:
  TInflater() {
    if (inflateInit2(&FStream, -MAX_WBITS) != Z_OK) {
      throw EZipError("Cannot initialise the inflater");
    }
  }
  ~TInflater() { inflateEnd(&FStream); }
  TInflater(const TInflater&) = delete;
  TInflater& operator=(const TInflater&) = delete;

  z_stream& Stream() { return FStream; }

private:
  z_stream FStream{};
};

// Inflates payload (decrypting it chunk by chunk with keys when given) into
// exactly expectedSize bytes; nothing when the stream is damaged or would
// produce any other number of bytes.
std::optional<std::vector<uint8_t>> Inflate(std::span<const uint8_t> payload, TPkwareKeys* keys,
                                            uint32_t expectedSize) {
  // One byte more than declared, so that overlong output is seen.
  const size_t limit = static_cast<size_t>(expectedSize) + 1;
  std::vector<uint8_t> out(std::min(limit, std::max(MinInflateBuffer, payload.size() * 4)));
  std::vector<uint8_t> chunk;
  if (keys != nullptr) {
    chunk.resize(std::min(InputChunk, payload.size()));
  }

  TInflater inflater;
  z_stream& zs = inflater.Stream();
  size_t consumed = 0; // payload bytes handed to zlib
  size_t produced = 0; // output bytes zlib wrote
  for (;;) {
    if (zs.avail_in == 0 && consumed < payload.size()) {
      const size_t n = std::min(InputChunk, payload.size() - consumed);
      if (keys != nullptr) {
        keys->Decrypt(payload.data() + consumed, chunk.data(), n);
        zs.next_in = chunk.data();
      } else {
        // zlib never writes through next_in.
        zs.next_in = const_cast<uint8_t*>(payload.data() + consumed);
      }
      zs.avail_in = static_cast<uInt>(n);
      consumed += n;
    }
    if (produced == out.size()) {
      if (out.size() == limit) {
        return std::nullopt; // more than declared
      }
      out.resize(out.size() > limit / 2 ? limit : out.size() * 2);
    }
    zs.next_out = out.data() + produced;
    zs.avail_out = static_cast<uInt>(std::min<size_t>(out.size() - produced, UINT_MAX));
    const uInt before = zs.avail_out;
    const int result = inflate(&zs, Z_NO_FLUSH);
    produced += before - zs.avail_out;
    if (result == Z_STREAM_END) {
      break;
    }
    if (result == Z_BUF_ERROR) {
      // No progress was possible: the input ran out before the stream ended
      // (output space is added on the next round).
      if (zs.avail_in == 0 && consumed == payload.size()) {
        return std::nullopt;
      }
      continue;
    }
    if (result != Z_OK) {
      return std::nullopt;
    }
  }
  if (produced != expectedSize) {
    return std::nullopt;
  }
  out.resize(produced);
  return out;
}

} // namespace

void TZipArchive::SetPassword(std::string password) {
  FPasswordKeys = TPkwareKeys(password);
  FPassword = std::move(password);
}

void TZipArchive::Close() {
  FBytes = {};
  FDataEnd = 0;
  FOpen = false;
  FEntries.clear();
  FSlots.clear();
  FNameHashes.clear();
}

void TZipArchive::Open(std::span<const uint8_t> archive) {
  Close();
  const uint8_t* const base = archive.data();
  const uint64_t size = archive.size();
  if (size < EndOfCentralDirSize) {
    throw EZipError("Not a ZIP archive: too short for an end of central directory record");
  }

  // The end record closes the archive, followed only by its comment of up to
  // 65535 bytes: search backwards for the first signature whose comment
  // reaches exactly to the end. A signature inside a comment is passed over
  // unless its own comment size happens to fit.
  const uint64_t lastStart = size - EndOfCentralDirSize;
  const uint64_t firstStart = lastStart > MaxCommentSize ? lastStart - MaxCommentSize : 0;
  uint64_t eocd = UINT64_MAX;
  for (uint64_t pos = lastStart + 1; pos-- > firstStart;) {
    const uint8_t* p = base + pos;
    if (Load32(p) == EndOfCentralDirSignature &&
        pos + EndOfCentralDirSize + Load16(p + 20) == size) {
      eocd = pos;
      break;
    }
  }
  if (eocd == UINT64_MAX) {
    throw EZipError("Not a ZIP archive: no end of central directory record");
  }

  const uint8_t* e = base + eocd;
  const uint16_t diskNumber = Load16(e + 4);
  const uint16_t cdDisk = Load16(e + 6);
  const uint16_t entriesHere = Load16(e + 8);
  const uint16_t entryCount = Load16(e + 10);
  const uint32_t cdSize = Load32(e + 12);
  const uint32_t cdOffset = Load32(e + 16);
  if (eocd >= Zip64LocatorSize && Load32(e - Zip64LocatorSize) == Zip64LocatorSignature &&
      (entryCount == 0xFFFF || cdSize == 0xFFFFFFFFu || cdOffset == 0xFFFFFFFFu)) {
    throw EZipError("ZIP64 archives are not supported");
  }
  if (diskNumber != 0 || cdDisk != 0 || entriesHere != entryCount) {
    throw EZipError("Archives split over several volumes are not supported");
  }
  if (static_cast<uint64_t>(cdOffset) + cdSize > eocd) {
    throw EZipError("Damaged ZIP archive: the central directory lies outside the archive");
  }
  if (static_cast<uint64_t>(entryCount) * CentralHeaderSize > cdSize) {
    throw EZipError("Damaged ZIP archive: the central directory is too small for its " +
                    std::to_string(entryCount) + " entries");
  }

  std::vector<TZipEntry> entries;
  entries.reserve(entryCount);
  const uint64_t cdEnd = static_cast<uint64_t>(cdOffset) + cdSize;
  uint64_t pos = cdOffset;
  for (uint32_t i = 0; i < entryCount; ++i) {
    if (pos + CentralHeaderSize > cdEnd || Load32(base + pos) != CentralHeaderSignature) {
      throw EZipError("Damaged ZIP archive: central directory entry " + std::to_string(i) +
                      " is missing");
    }
    const uint8_t* c = base + pos;
    const uint64_t nameSize = Load16(c + 28);
    const uint64_t extraSize = Load16(c + 30);
    const uint64_t commentSize = Load16(c + 32);
    const uint64_t next = pos + CentralHeaderSize + nameSize + extraSize + commentSize;
    if (next > cdEnd) {
      throw EZipError("Damaged ZIP archive: central directory entry " + std::to_string(i) +
                      " runs past the directory");
    }
    TZipEntry entry;
    entry.Flags = Load16(c + 8);
    entry.Method = Load16(c + 10);
    entry.ModTime = Load16(c + 12);
    entry.ModDate = Load16(c + 14);
    entry.Crc32 = Load32(c + 16);
    entry.CompressedSize = Load32(c + 20);
    entry.UncompressedSize = Load32(c + 24);
    entry.LocalHeaderOffset = Load32(c + 42);
    entry.Name.assign(reinterpret_cast<const char*>(c + CentralHeaderSize), nameSize);
    entries.push_back(std::move(entry));
    pos = next;
  }

  FBytes = archive;
  FDataEnd = cdOffset;
  FEntries = std::move(entries);
  BuildIndex();
  FOpen = true;
}

void TZipArchive::BuildIndex() {
  size_t slotCount = 16;
  while (slotCount < FEntries.size() * 2) {
    slotCount *= 2;
  }
  FSlots.assign(slotCount, -1);
  FNameHashes.resize(FEntries.size());
  const size_t mask = slotCount - 1;
  for (size_t i = 0; i < FEntries.size(); ++i) {
    const uint32_t hash = FoldedHash(FEntries[i].Name);
    FNameHashes[i] = hash;
    for (size_t slot = hash & mask;; slot = (slot + 1) & mask) {
      const int32_t held = FSlots[slot];
      if (held < 0) {
        FSlots[slot] = static_cast<int32_t>(i);
        break;
      }
      if (FNameHashes[held] == hash && FoldedEqual(FEntries[held].Name, FEntries[i].Name)) {
        break; // a later entry of the same name stays unreachable by name
      }
    }
  }
}

int TZipArchive::IndexOf(std::string_view name) const {
  if (FSlots.empty()) {
    return -1;
  }
  const uint32_t hash = FoldedHash(name);
  const size_t mask = FSlots.size() - 1;
  for (size_t slot = hash & mask;; slot = (slot + 1) & mask) {
    const int32_t held = FSlots[slot];
    if (held < 0) {
      return -1;
    }
    if (FNameHashes[held] == hash && FoldedEqual(FEntries[held].Name, name)) {
      return held;
    }
  }
}

std::optional<TZipArchive::TPayload> TZipArchive::Payload(const TZipEntry& entry) const {
  // The local header and the data behind it, all before the directory.
  const uint64_t local = entry.LocalHeaderOffset;
  if (local + LocalHeaderSize > FDataEnd) {
    return std::nullopt;
  }
  const uint8_t* l = FBytes.data() + local;
  if (Load32(l) != LocalHeaderSignature) {
    return std::nullopt;
  }
  const uint16_t localModTime = Load16(l + 10);
  const uint64_t dataStart = local + LocalHeaderSize + Load16(l + 26) + Load16(l + 28);
  if (dataStart + entry.CompressedSize > FDataEnd) {
    return std::nullopt;
  }
  TPayload payload{FBytes.subspan(dataStart, entry.CompressedSize), std::nullopt};
  if (entry.Encrypted()) {
    if (payload.Bytes.size() < PkwareHeaderSize) {
      return std::nullopt;
    }
    payload.Keys = FPasswordKeys;
    const uint8_t check =
        PkwareCheckByte((entry.Flags & FlagDataDescriptor) != 0, localModTime, entry.Crc32);
    payload.PasswordFits =
        PkwareCheckHeader(*payload.Keys, payload.Bytes.first<PkwareHeaderSize>(), check);
    payload.Bytes = payload.Bytes.subspan(PkwareHeaderSize);
  }
  return payload;
}

bool TZipArchive::MadeWithAnotherPassword(int index) const noexcept {
  if (index < 0 || static_cast<size_t>(index) >= FEntries.size()) {
    return false;
  }
  const std::optional<TPayload> payload = Payload(FEntries[static_cast<size_t>(index)]);
  return payload && !payload->PasswordFits;
}

std::optional<std::vector<uint8_t>> TZipArchive::Decode(const TZipEntry& entry) const {
  if ((entry.Flags & FlagStrongEncryption) != 0 ||
      (entry.Method != MethodStored && entry.Method != MethodDeflated)) {
    return std::nullopt;
  }
  std::optional<TPayload> located = Payload(entry);
  if (!located || !located->PasswordFits) {
    return std::nullopt;
  }
  const std::span<const uint8_t> payload = located->Bytes;
  std::optional<TPkwareKeys>& keys = located->Keys;

  std::optional<std::vector<uint8_t>> out;
  if (entry.Method == MethodStored) {
    if (payload.size() != entry.UncompressedSize) {
      return std::nullopt;
    }
    out.emplace(payload.size());
    if (keys) {
      keys->Decrypt(payload.data(), out->data(), payload.size());
    } else if (!payload.empty()) {
      std::memcpy(out->data(), payload.data(), payload.size());
    }
  } else {
    if (entry.UncompressedSize > payload.size() * MaxDeflateRatio + DeflateSlack) {
      return std::nullopt;
    }
    out = Inflate(payload, keys ? &*keys : nullptr, entry.UncompressedSize);
    if (!out) {
      return std::nullopt;
    }
  }
  if (Crc32(*out) != entry.Crc32) {
    return std::nullopt;
  }
  return out;
}

std::optional<std::vector<uint8_t>> TZipArchive::ExtractBytes(int index) const noexcept {
  if (index < 0 || static_cast<size_t>(index) >= FEntries.size()) {
    return std::nullopt;
  }
  try {
    return Decode(FEntries[static_cast<size_t>(index)]);
  } catch (...) {
    // Out of memory or an inflater that would not start: the entry is
    // simply not available.
    return std::nullopt;
  }
}

std::optional<std::vector<uint8_t>>
TZipArchive::ExtractBytes(std::string_view name) const noexcept {
  return ExtractBytes(IndexOf(name));
}

bool TZipArchive::Extract(std::string_view name, TStream& target) const noexcept {
  std::optional<std::vector<uint8_t>> bytes = ExtractBytes(name);
  if (!bytes) {
    return false;
  }
  try {
    target.Write(bytes->data(), bytes->size());
    return true;
  } catch (...) {
    return false;
  }
}

} // namespace tessera
