#include "package/zip_writer.h"

#include "base/ascii.h"
#include "base/exceptions.h"
#include "package/zip_archive.h"

#include <zlib.h>

#include <algorithm>
#include <array>

namespace tessera {

using namespace zip_format;

namespace {

// Version 2.0 of the format: encryption and data descriptors. The "made by"
// host is Unix: Info-ZIP's unzip then takes UTF-8 names as they are, where
// for an MS-DOS host it would recode them from an OEM code page despite the
// UTF-8 flag; Windows tools go by the flag alone. A Unix host also asks for
// file modes in the external attributes: an ordinary file, rw-r--r--.
constexpr uint16_t VersionNeeded = 20;
constexpr uint16_t VersionMadeBy = (3 << 8) | 20;
constexpr uint32_t ExternalAttributes = 0100644u << 16;

// ZIP64 would be needed at these values; 0xFFFF and 0xFFFFFFFF themselves
// mean "see the ZIP64 record" to readers.
constexpr uint64_t MaxEntries = 0xFFFF;
constexpr uint64_t Max32 = 0xFFFFFFFEu;

constexpr size_t ChunkSize = 64 * 1024;

class TRecord {
public:
  void U16(uint16_t v) {
    FBytes.push_back(static_cast<uint8_t>(v));
    FBytes.push_back(static_cast<uint8_t>(v >> 8));
  }
  void U32(uint32_t v) {
    U16(static_cast<uint16_t>(v));
    U16(static_cast<uint16_t>(v >> 16));
  }
  void Text(std::string_view text) { FBytes.insert(FBytes.end(), text.begin(), text.end()); }
  const std::vector<uint8_t>& Bytes() const { return FBytes; }

private:
  std::vector<uint8_t> FBytes;
};

bool IsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return (static_cast<unsigned char>(c) & 0x80u) == 0; });
}

} // namespace

TDosDateTime TDosDateTime::FromCalendar(int year, int month, int day, int hour, int minute,
                                        int second) {
  year = std::clamp(year, 1980, 2107);
  month = std::clamp(month, 1, 12);
  day = std::clamp(day, 1, 31);
  hour = std::clamp(hour, 0, 23);
  minute = std::clamp(minute, 0, 59);
  second = std::clamp(second, 0, 59);
  TDosDateTime stamp;
  stamp.Time = static_cast<uint16_t>((hour << 11) | (minute << 5) | (second / 2));
  stamp.Date = static_cast<uint16_t>(((year - 1980) << 9) | (month << 5) | day);
  return stamp;
}

TDosDateTime TDosDateTime::FromLocalTime(std::time_t time) {
  // The packager is single-threaded, so localtime's shared result is safe.
  const std::tm* tm = std::localtime(&time);
  if (tm == nullptr) {
    return {};
  }
  return FromCalendar(tm->tm_year + 1900, tm->tm_mon + 1, tm->tm_mday, tm->tm_hour, tm->tm_min,
                      tm->tm_sec);
}

TZipWriter::TZipWriter(TStream& target, std::string password, TDosDateTime stamp)
    : FTarget(target), FPassword(std::move(password)), FStamp(stamp) {
  // The eleven random bytes of each encryption header keep equal entries
  // from encrypting alike; they need not be secret beyond that.
  std::random_device device;
  std::seed_seq seed{device(), device(), device(), device()};
  FRandom.seed(seed);
}

void TZipWriter::Put(const void* bytes, size_t count) {
  FTarget.Write(bytes, count);
  FOffset += count;
}

void TZipWriter::Progress() {
  if (FOnProgress) {
    FOnProgress(static_cast<int64_t>(FOffset));
  }
}

std::string TZipWriter::CheckedName(std::string_view name) {
  if (FFinished || FBroken) {
    throw EZipError("The archive is finished or damaged; no entry can be added");
  }
  if (name.empty() || name.size() > 0xFFFF) {
    throw EZipError("An entry name must have 1 to 65535 bytes");
  }
  if (name.front() == '/' || name.find('\\') != std::string_view::npos) {
    throw EZipError("Entry name \"" + std::string(name) +
                    "\" must be relative and use \"/\" between folders");
  }
  if (FEntries.size() >= MaxEntries) {
    throw EZipError("An archive holds at most 65535 entries");
  }
  std::string folded = AsciiLowerCase(name);
  if (FFoldedNames.contains(folded)) {
    // Lookups ignore the case of A-Z, so the second entry could never be found.
    throw EZipError("Entry name \"" + std::string(name) + "\" is already in the archive");
  }
  return folded;
}

void TZipWriter::AddEntry(std::string_view name, std::span<const uint8_t> data) {
  size_t taken = 0;
  WriteEntry(name, [&](std::span<uint8_t> buffer) {
    const size_t n = std::min(buffer.size(), data.size() - taken);
    std::copy_n(data.data() + taken, n, buffer.data());
    taken += n;
    return n;
  });
}

void TZipWriter::AddEntry(std::string_view name, TStream& source) {
  WriteEntry(name,
             [&](std::span<uint8_t> buffer) { return source.Read(buffer.data(), buffer.size()); });
}

void TZipWriter::WriteEntry(std::string_view name,
                            const std::function<size_t(std::span<uint8_t>)>& source) {
  std::string folded = CheckedName(name);
  if (FOffset > Max32) {
    throw EZipError("The archive reached 4 GiB; larger archives are not supported");
  }

  TWritten entry;
  entry.Name = std::string(name);
  entry.Flags = FlagEncrypted | FlagDataDescriptor | (IsAscii(name) ? 0 : FlagUtf8Name);
  entry.LocalHeaderOffset = static_cast<uint32_t>(FOffset);

  FBroken = true; // until the entry is complete
  TRecord local;
  local.U32(LocalHeaderSignature);
  local.U16(VersionNeeded);
  local.U16(entry.Flags);
  local.U16(MethodStored);
  local.U16(FStamp.Time);
  local.U16(FStamp.Date);
  local.U32(0); // CRC-32 and sizes follow in the data descriptor
  local.U32(0);
  local.U32(0);
  local.U16(static_cast<uint16_t>(name.size()));
  local.U16(0); // no extra field
  local.Text(name);
  Put(local.Bytes().data(), local.Bytes().size());

  TPkwareKeys keys(FPassword);
  std::array<uint8_t, PkwareHeaderSize - 1> random;
  for (uint8_t& b : random) {
    b = static_cast<uint8_t>(FRandom());
  }
  const TPkwareHeader header =
      PkwareMakeHeader(keys, random, PkwareCheckByte(true, FStamp.Time, 0));
  Put(header.data(), header.size());

  if (FChunk.empty()) {
    FChunk.resize(ChunkSize);
  }
  std::vector<uint8_t>& chunk = FChunk;
  uint64_t size = 0;
  uLong crc = crc32(0, nullptr, 0);
  for (;;) {
    const size_t n = source(chunk);
    if (n == 0) {
      break;
    }
    size += n;
    if (size + PkwareHeaderSize > Max32) {
      throw EZipError("Entry \"" + entry.Name +
                      "\" reaches 4 GiB; larger entries are not supported");
    }
    crc = crc32(crc, chunk.data(), static_cast<uInt>(n));
    keys.Encrypt(chunk.data(), chunk.data(), n);
    Put(chunk.data(), n);
    Progress();
  }
  entry.Crc32 = static_cast<uint32_t>(crc);
  entry.UncompressedSize = static_cast<uint32_t>(size);
  entry.CompressedSize = static_cast<uint32_t>(size + PkwareHeaderSize);

  TRecord descriptor;
  descriptor.U32(DataDescriptorSignature);
  descriptor.U32(entry.Crc32);
  descriptor.U32(entry.CompressedSize);
  descriptor.U32(entry.UncompressedSize);
  Put(descriptor.Bytes().data(), descriptor.Bytes().size());
  Progress();

  FEntries.push_back(std::move(entry));
  FFoldedNames.insert(std::move(folded));
  FBroken = false;
}

void TZipWriter::Finish() {
  if (FFinished || FBroken) {
    throw EZipError("The archive is finished or damaged");
  }
  const uint64_t cdOffset = FOffset;
  if (cdOffset > Max32) {
    throw EZipError("The archive reached 4 GiB; larger archives are not supported");
  }
  FBroken = true;
  for (const TWritten& entry : FEntries) {
    TRecord central;
    central.U32(CentralHeaderSignature);
    central.U16(VersionMadeBy);
    central.U16(VersionNeeded);
    central.U16(entry.Flags);
    central.U16(MethodStored);
    central.U16(FStamp.Time);
    central.U16(FStamp.Date);
    central.U32(entry.Crc32);
    central.U32(entry.CompressedSize);
    central.U32(entry.UncompressedSize);
    central.U16(static_cast<uint16_t>(entry.Name.size()));
    central.U16(0); // extra field
    central.U16(0); // comment
    central.U16(0); // disk
    central.U16(0); // internal attributes
    central.U32(ExternalAttributes);
    central.U32(entry.LocalHeaderOffset);
    central.Text(entry.Name);
    Put(central.Bytes().data(), central.Bytes().size());
  }
  const uint64_t cdSize = FOffset - cdOffset;
  if (cdSize > Max32) {
    throw EZipError("The archive reached 4 GiB; larger archives are not supported");
  }

  TRecord end;
  end.U32(EndOfCentralDirSignature);
  end.U16(0); // this disk
  end.U16(0); // disk of the directory
  end.U16(static_cast<uint16_t>(FEntries.size()));
  end.U16(static_cast<uint16_t>(FEntries.size()));
  end.U32(static_cast<uint32_t>(cdSize));
  end.U32(static_cast<uint32_t>(cdOffset));
  end.U16(0); // comment
  Put(end.Bytes().data(), end.Bytes().size());
  Progress();
  FBroken = false;
  FFinished = true;
}

} // namespace tessera
