#pragma once

#include "base/stream.h"
#include "package/pkware_crypto.h"

#include <cstdint>
#include <ctime>
#include <functional>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace tessera {

// A modification stamp as ZIP headers hold it (MS-DOS format, local time,
// two-second steps, years 1980 to 2107).
struct TDosDateTime {
  uint16_t Time = 0;
  uint16_t Date = (1 << 5) | 1; // 1980-01-01 00:00:00

  // Out-of-range fields are clamped into the format's range.
  static TDosDateTime FromCalendar(int year, int month, int day, int hour, int minute, int second);
  static TDosDateTime FromLocalTime(std::time_t time);
};

// Writes an application package: a ZIP archive whose entries are all stored
// (not compressed) and encrypted with the traditional PKWARE scheme, each
// followed by a data descriptor, so that an entry's data streams through in
// chunks while its CRC-32 is computed. The encryption header's check byte
// comes from the modification time, which is known before the data.
//
// Offsets inside the archive count from the target's position when the
// writer was made, so the package may follow other bytes in the same file.
// No ZIP64: more than 65535 entries, or any size or offset of 4 GiB or more,
// raises EZipError. After an error the target holds an unusable archive.
class TZipWriter {
public:
  using TProgress = std::function<void(int64_t bytesWritten)>;

  TZipWriter(TStream& target, std::string password, TDosDateTime stamp = {});
  TZipWriter(const TZipWriter&) = delete;
  TZipWriter& operator=(const TZipWriter&) = delete;

  // Called after every chunk with the number of archive bytes written so far.
  void SetOnProgress(TProgress onProgress) { FOnProgress = std::move(onProgress); }

  // Adds an entry named name ("/" between folders, UTF-8). The name must be
  // new, ignoring the case of A-Z as the reader's lookup does; it must not be
  // empty, start with "/" or contain "\". Raises EZipError otherwise.
  void AddEntry(std::string_view name, std::span<const uint8_t> data);
  // The same with the data read from source, from its position to its end.
  void AddEntry(std::string_view name, TStream& source);
  // Writes the central directory and the end record. Nothing can be added
  // afterwards. An unfinished writer leaves an archive without a directory.
  void Finish();

  int Count() const { return static_cast<int>(FEntries.size()); }
  int64_t BytesWritten() const { return static_cast<int64_t>(FOffset); }

private:
  struct TWritten {
    std::string Name;
    uint16_t Flags;
    uint32_t Crc32;
    uint32_t CompressedSize;
    uint32_t UncompressedSize;
    uint32_t LocalHeaderOffset;
  };

  // Streams one entry: the chunk source fills the buffer and returns how
  // many bytes it put there, 0 at the end.
  void WriteEntry(std::string_view name, const std::function<size_t(std::span<uint8_t>)>& source);
  std::string CheckedName(std::string_view name);
  void Put(const void* bytes, size_t count);
  void Progress();

  TStream& FTarget;
  std::string FPassword;
  TDosDateTime FStamp;
  uint64_t FOffset = 0; // bytes written, from the archive's first byte
  bool FFinished = false;
  bool FBroken = false; // an entry failed half-way
  std::vector<TWritten> FEntries;
  std::unordered_set<std::string> FFoldedNames;
  std::mt19937_64 FRandom;
  std::vector<uint8_t> FChunk; // one buffer for every entry's data
  TProgress FOnProgress;
};

} // namespace tessera
