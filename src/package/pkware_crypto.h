#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace tessera {

// The traditional PKWARE stream cipher of the ZIP format: three 32-bit keys
// that every plain byte moves on. It protects package entries from casual
// reading only; nothing here is meant to withstand a determined attacker.
class TPkwareKeys {
public:
  // Keys of an empty password.
  TPkwareKeys();
  // The keys start from fixed values and take in the password's bytes one by
  // one (the ASCII codes of an ASCII password).
  explicit TPkwareKeys(std::string_view password);

  uint8_t DecryptByte(uint8_t cipher) {
    const uint8_t plain = cipher ^ StreamByte();
    Update(plain);
    return plain;
  }
  uint8_t EncryptByte(uint8_t plain) {
    const uint8_t cipher = plain ^ StreamByte();
    Update(plain);
    return cipher;
  }

  // in and out may be the same buffer; otherwise they must not overlap.
  void Decrypt(const uint8_t* in, uint8_t* out, size_t count);
  void Encrypt(const uint8_t* in, uint8_t* out, size_t count);
  void Decrypt(std::span<uint8_t> bytes) { Decrypt(bytes.data(), bytes.data(), bytes.size()); }
  void Encrypt(std::span<uint8_t> bytes) { Encrypt(bytes.data(), bytes.data(), bytes.size()); }

  // One step of the key schedule: the CRC-32 of a single byte.
  static uint32_t Crc32Step(uint32_t crc, uint8_t byte);

private:
  uint8_t StreamByte() const {
    const uint32_t temp = (FKey2 | 2u) & 0xFFFFu;
    return static_cast<uint8_t>((temp * (temp ^ 1u)) >> 8);
  }
  void Update(uint8_t plain);

  uint32_t FKey0;
  uint32_t FKey1;
  uint32_t FKey2;
};

// Every encrypted entry's data starts with this header: eleven random bytes
// and a check byte, all encrypted.
inline constexpr size_t PkwareHeaderSize = 12;

using TPkwareHeader = std::array<uint8_t, PkwareHeaderSize>;

// The byte the header must end with. An entry written with a data
// descriptor (general-purpose flag bit 3) did not know its CRC-32 when the
// header was made, so it checks the high byte of the local header's
// modification time instead; any other entry checks the CRC's high byte.
inline uint8_t PkwareCheckByte(bool hasDataDescriptor, uint16_t localModTime, uint32_t crc32) {
  return hasDataDescriptor ? static_cast<uint8_t>(localModTime >> 8)
                           : static_cast<uint8_t>(crc32 >> 24);
}

// Decrypts the header with keys, which then stand ready for the entry's
// data, and says whether it ends with checkByte. One wrong password in 256
// passes this test; only the data's CRC-32 tells the rest apart.
bool PkwareCheckHeader(TPkwareKeys& keys, std::span<const uint8_t, PkwareHeaderSize> header,
                       uint8_t checkByte);

// The encrypted header of a new entry from eleven random bytes and the check
// byte; keys then stand ready to encrypt the entry's data.
TPkwareHeader PkwareMakeHeader(TPkwareKeys& keys, std::span<const uint8_t, 11> randomBytes,
                               uint8_t checkByte);

} // namespace tessera
