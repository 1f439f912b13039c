#pragma once

#include "base/exceptions.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tessera {

// An executable image, icon file or resource that cannot be read or
// rewritten as asked. The message says what is wrong, for the user.
class EResourceError : public Exception {
public:
  using Exception::Exception;
};

// Little-endian fields of untrusted bytes: every read is bounds-checked and
// a read past the end raises EResourceError naming what was being read.
class TByteView {
public:
  TByteView(std::span<const uint8_t> bytes, std::string what)
      : FBytes(bytes), FWhat(std::move(what)) {}

  size_t Size() const { return FBytes.size(); }
  std::span<const uint8_t> Bytes() const { return FBytes; }

  uint8_t Get8(size_t offset) const {
    Require(offset, 1);
    return FBytes[offset];
  }
  uint16_t Get16(size_t offset) const {
    Require(offset, 2);
    return static_cast<uint16_t>(FBytes[offset] | (FBytes[offset + 1] << 8));
  }
  uint32_t Get32(size_t offset) const {
    Require(offset, 4);
    return static_cast<uint32_t>(Get16(offset)) | (static_cast<uint32_t>(Get16(offset + 2)) << 16);
  }
  std::span<const uint8_t> Slice(size_t offset, size_t count) const {
    Require(offset, count);
    return FBytes.subspan(offset, count);
  }
  bool Has(size_t offset, size_t count) const {
    return offset <= FBytes.size() && count <= FBytes.size() - offset;
  }
  void Require(size_t offset, size_t count) const {
    if (!Has(offset, count)) {
      throw EResourceError(FWhat + " is truncated or damaged");
    }
  }

private:
  std::span<const uint8_t> FBytes;
  std::string FWhat;
};

// Little-endian fields appended to, or patched into, a byte vector.
class TByteWriter {
public:
  std::vector<uint8_t>& Bytes() { return FBytes; }
  size_t Size() const { return FBytes.size(); }

  void Put8(uint8_t value) { FBytes.push_back(value); }
  void Put16(uint16_t value) {
    FBytes.push_back(static_cast<uint8_t>(value));
    FBytes.push_back(static_cast<uint8_t>(value >> 8));
  }
  void Put32(uint32_t value) {
    Put16(static_cast<uint16_t>(value));
    Put16(static_cast<uint16_t>(value >> 16));
  }
  void PutBytes(std::span<const uint8_t> bytes) {
    FBytes.insert(FBytes.end(), bytes.begin(), bytes.end());
  }
  // Zero bytes up to the next multiple of alignment.
  void Align(size_t alignment) {
    while (FBytes.size() % alignment != 0) {
      FBytes.push_back(0);
    }
  }
  void Set16(size_t offset, uint16_t value) {
    FBytes.at(offset) = static_cast<uint8_t>(value);
    FBytes.at(offset + 1) = static_cast<uint8_t>(value >> 8);
  }
  void Set32(size_t offset, uint32_t value) {
    Set16(offset, static_cast<uint16_t>(value));
    Set16(offset + 2, static_cast<uint16_t>(value >> 16));
  }

private:
  std::vector<uint8_t> FBytes;
};

} // namespace tessera
