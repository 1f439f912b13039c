#include "package/pkware_crypto.h"

namespace tessera {

namespace {

// The reflected CRC-32 table (polynomial 0xEDB88320) that the key schedule
// steps with, one byte at a time.
constexpr std::array<uint32_t, 256> MakeCrcTable() {
  std::array<uint32_t, 256> table{};
  for (uint32_t n = 0; n < 256; ++n) {
    uint32_t c = n;
    for (int k = 0; k < 8; ++k) {
      c = (c & 1u) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    }
    table[n] = c;
  }
  return table;
}

constexpr std::array<uint32_t, 256> CrcTable = MakeCrcTable();

} // namespace

uint32_t TPkwareKeys::Crc32Step(uint32_t crc, uint8_t byte) {
  return CrcTable[(crc ^ byte) & 0xFFu] ^ (crc >> 8);
}

TPkwareKeys::TPkwareKeys() : FKey0(0x12345678u), FKey1(0x23456789u), FKey2(0x34567890u) {}

TPkwareKeys::TPkwareKeys(std::string_view password) : TPkwareKeys() {
  for (const char c : password) {
    Update(static_cast<uint8_t>(c));
  }
}

void TPkwareKeys::Update(uint8_t plain) {
  FKey0 = Crc32Step(FKey0, plain);
  FKey1 = (FKey1 + (FKey0 & 0xFFu)) * 134775813u + 1u;
  FKey2 = Crc32Step(FKey2, static_cast<uint8_t>(FKey1 >> 24));
}

void TPkwareKeys::Decrypt(const uint8_t* in, uint8_t* out, size_t count) {
  // Working on local copies lets the compiler keep the keys in registers
  // across the whole loop.
  TPkwareKeys keys = *this;
  for (size_t i = 0; i < count; ++i) {
    out[i] = keys.DecryptByte(in[i]);
  }
  *this = keys;
}

void TPkwareKeys::Encrypt(const uint8_t* in, uint8_t* out, size_t count) {
  TPkwareKeys keys = *this;
  for (size_t i = 0; i < count; ++i) {
    out[i] = keys.EncryptByte(in[i]);
  }
  *this = keys;
}

bool PkwareCheckHeader(TPkwareKeys& keys, std::span<const uint8_t, PkwareHeaderSize> header,
                       uint8_t checkByte) {
  TPkwareHeader plain;
  keys.Decrypt(header.data(), plain.data(), plain.size());
  return plain[PkwareHeaderSize - 1] == checkByte;
}

TPkwareHeader PkwareMakeHeader(TPkwareKeys& keys, std::span<const uint8_t, 11> randomBytes,
                               uint8_t checkByte) {
  TPkwareHeader header;
  for (size_t i = 0; i < randomBytes.size(); ++i) {
    header[i] = randomBytes[i];
  }
  header[PkwareHeaderSize - 1] = checkByte;
  keys.Encrypt(header.data(), header.data(), header.size());
  return header;
}

} // namespace tessera
