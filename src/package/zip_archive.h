#pragma once

#include "base/stream.h"
#include "package/pkware_crypto.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tessera {

// Record signatures and field values of the ZIP format that the reader and
// the writer share.
namespace zip_format {
inline constexpr uint32_t LocalHeaderSignature = 0x04034b50u;
inline constexpr uint32_t DataDescriptorSignature = 0x08074b50u;
inline constexpr uint32_t CentralHeaderSignature = 0x02014b50u;
inline constexpr uint32_t EndOfCentralDirSignature = 0x06054b50u;
inline constexpr uint32_t Zip64LocatorSignature = 0x07064b50u;

inline constexpr size_t LocalHeaderSize = 30;
inline constexpr size_t DataDescriptorSize = 16; // with its signature
inline constexpr size_t CentralHeaderSize = 46;
inline constexpr size_t EndOfCentralDirSize = 22;
inline constexpr size_t Zip64LocatorSize = 20;
inline constexpr size_t MaxCommentSize = 0xFFFF;

inline constexpr uint16_t FlagEncrypted = 0x0001;
inline constexpr uint16_t FlagDataDescriptor = 0x0008;
inline constexpr uint16_t FlagStrongEncryption = 0x0040;
inline constexpr uint16_t FlagUtf8Name = 0x0800;

inline constexpr uint16_t MethodStored = 0;
inline constexpr uint16_t MethodDeflated = 8;
} // namespace zip_format

// One entry as the central directory describes it.
struct TZipEntry {
  std::string Name; // as stored, "/" between folders
  uint16_t Flags = 0;
  uint16_t Method = 0;
  uint16_t ModTime = 0; // DOS time and date
  uint16_t ModDate = 0;
  uint32_t Crc32 = 0;
  uint32_t CompressedSize = 0; // including the encryption header
  uint32_t UncompressedSize = 0;
  uint32_t LocalHeaderOffset = 0;

  bool Encrypted() const { return (Flags & zip_format::FlagEncrypted) != 0; }
};

// Reads a ZIP archive held in memory: the application package. Entries are
// found by name and extracted whole, decrypted with the traditional PKWARE
// scheme and inflated when deflated.
//
// Every byte of the archive is untrusted. Open checks the central directory
// and refuses what it cannot read; each entry's local header and data are
// checked when that entry is extracted, so a damaged entry fails alone and
// entries that share or overlap their data are harmless. An extraction
// decodes the entry completely and checks its size and CRC-32 before a byte
// reaches the target: a damaged entry or a wrong password writes nothing.
//
// Not safe for concurrent use while Open runs; extractions only read.
class TZipArchive {
public:
  TZipArchive() = default;
  TZipArchive(const TZipArchive&) = delete;
  TZipArchive& operator=(const TZipArchive&) = delete;

  // Used for every extraction from now on, also from an archive opened
  // later. Its bytes initialise the keys (the ASCII codes of an ASCII
  // password).
  void SetPassword(std::string password);
  const std::string& Password() const { return FPassword; }

  // How often the password check of an entry is tried. Only a password
  // prompt could change the password between tries and this reader has
  // none, so one try decides; the count is kept for callers that set it.
  int PasswordRetryCount() const { return FPasswordRetryCount; }
  void SetPasswordRetryCount(int count) { FPasswordRetryCount = count; }

  // Reads the central directory of the archive that is exactly these bytes;
  // every offset in it counts from their first byte. The bytes are not
  // copied: they must stay alive and unchanged until the next Open or Close.
  // Raises EZipError when they hold no readable archive; the reader is then
  // closed.
  void Open(std::span<const uint8_t> archive);
  // The same for a memory stream's content (its position does not matter).
  // Writing to the stream afterwards may move its bytes: don't.
  void Open(const TMemoryStream& archive) { Open(std::span<const uint8_t>(archive.Bytes())); }
  void Close();
  bool IsOpen() const { return FOpen; }

  int Count() const { return static_cast<int>(FEntries.size()); }
  // index from 0 to Count() - 1; raises std::out_of_range otherwise.
  const TZipEntry& Entry(int index) const { return FEntries.at(static_cast<size_t>(index)); }

  // Index of the entry whose whole stored name equals name, ignoring the case
  // of the ASCII letters A to Z only; -1 when there is none. Separators are
  // compared as they are. Of several entries with the same name, the first.
  int IndexOf(std::string_view name) const;

  // Writes the entry's decoded bytes at the target's current position and
  // returns true. Writes nothing and returns false when there is no such
  // entry or it cannot be decoded (wrong password, unsupported method,
  // damaged). Never raises: a target that fails while being written is left
  // as it is.
  bool Extract(std::string_view name, TStream& target) const noexcept;
  // The entry's decoded bytes, or nothing on any failure. Never raises.
  std::optional<std::vector<uint8_t>> ExtractBytes(std::string_view name) const noexcept;
  std::optional<std::vector<uint8_t>> ExtractBytes(int index) const noexcept;

  // Whether the entry is encrypted with a password other than the
  // archive's, as its encryption header's check byte tells: what tells such
  // an entry from a damaged one (false for that, and for no entry).
  bool MadeWithAnotherPassword(int index) const noexcept;

private:
  // An entry's stored data, behind the encryption header when there is one,
  // with the keys that decrypt it then.
  struct TPayload {
    std::span<const uint8_t> Bytes;
    std::optional<TPkwareKeys> Keys;
    bool PasswordFits = true;
  };
  std::optional<TPayload> Payload(const TZipEntry& entry) const;
  std::optional<std::vector<uint8_t>> Decode(const TZipEntry& entry) const;
  void BuildIndex();

  std::span<const uint8_t> FBytes;
  // Entry data must lie before the central directory.
  uint64_t FDataEnd = 0;
  bool FOpen = false;
  std::vector<TZipEntry> FEntries;
  // Open-addressing table of entry indexes (-1 empty), keyed on the name with
  // A-Z folded to a-z; its size is a power of two, twice the entry count or
  // more, so probes end quickly.
  std::vector<int32_t> FSlots;
  std::vector<uint32_t> FNameHashes; // per entry
  std::string FPassword;
  TPkwareKeys FPasswordKeys;
  int FPasswordRetryCount = 3;
};

} // namespace tessera
