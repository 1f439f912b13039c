#include "tools/pack/app_icon.h"

#include "package/pkware_crypto.h"
#include "package/resource_bytes.h"
#include "tools/pack/pack_error.h"

#include <algorithm>
#include <array>

namespace tessera {

namespace {

constexpr std::array<uint8_t, 8> kPngSignature = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

bool StartsAsPng(std::span<const uint8_t> bytes) {
  return bytes.size() >= kPngSignature.size() &&
         std::equal(kPngSignature.begin(), kPngSignature.end(), bytes.begin());
}

uint32_t BigEndian32(std::span<const uint8_t> bytes, size_t offset) {
  return (uint32_t{bytes[offset]} << 24) | (uint32_t{bytes[offset + 1]} << 16) |
         (uint32_t{bytes[offset + 2]} << 8) | uint32_t{bytes[offset + 3]};
}

uint32_t Crc32(std::span<const uint8_t> bytes) {
  uint32_t crc = 0xFFFFFFFFu;
  for (const uint8_t byte : bytes) {
    crc = TPkwareKeys::Crc32Step(crc, byte);
  }
  return ~crc;
}

// The bit depths each PNG colour type allows.
bool KnownPixelFormat(uint8_t colorType, uint8_t depth) {
  switch (colorType) {
  case 0:
    return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
  case 3:
    return depth == 1 || depth == 2 || depth == 4 || depth == 8;
  case 2:
  case 4:
  case 6:
    return depth == 8 || depth == 16;
  default:
    return false;
  }
}

// The side an icon image declares; 0 stands for 256.
int Side(uint8_t declared) {
  return declared == 0 ? 256 : declared;
}

} // namespace

std::string PngFault(std::span<const uint8_t> bytes) {
  if (!StartsAsPng(bytes)) {
    return "not a PNG image";
  }
  bool sawHeader = false;
  bool sawData = false;
  size_t at = kPngSignature.size();
  for (;;) {
    if (bytes.size() - at < 12) {
      return "the PNG image is truncated";
    }
    const uint32_t length = BigEndian32(bytes, at);
    if (length > bytes.size() - at - 12) {
      return "the PNG image is truncated";
    }
    const auto typeAndData = bytes.subspan(at + 4, 4 + size_t{length});
    const std::string type(typeAndData.begin(), typeAndData.begin() + 4);
    if (Crc32(typeAndData) != BigEndian32(bytes, at + 8 + length)) {
      return "the PNG image is damaged (chunk " + type + " fails its check)";
    }
    const auto data = typeAndData.subspan(4);
    if (!sawHeader) {
      if (type != "IHDR" || length != 13) {
        return "the PNG image has no header";
      }
      const uint32_t width = BigEndian32(data, 0);
      const uint32_t height = BigEndian32(data, 4);
      if (width == 0 || height == 0 || width > 0x7FFFFFFFu || height > 0x7FFFFFFFu) {
        return "the PNG image has no size";
      }
      if (!KnownPixelFormat(data[9], data[8]) || data[10] != 0 || data[11] != 0 || data[12] > 1) {
        return "the PNG image has a pixel format no decoder reads";
      }
      sawHeader = true;
    } else if (type == "IDAT") {
      sawData = true;
    } else if (type == "IEND") {
      return sawData ? "" : "the PNG image holds no pixels";
    }
    at += 12 + size_t{length};
  }
}

TAppIcon ReadAppIcon(const std::string& path, const std::vector<uint8_t>& bytes) {
  const std::string which = "icon \"" + path + "\"";
  TAppIcon icon;
  icon.Bytes = bytes;
  if (StartsAsPng(bytes)) {
    if (const std::string fault = PngFault(bytes); !fault.empty()) {
      throw EPackError(which + ": " + fault);
    }
    icon.IsPng = true;
    return icon;
  }
  // An icon file starts with a reserved 0 and the type 1 (a cursor's is 2).
  if (bytes.size() < 4 || bytes[0] != 0 || bytes[1] != 0 || bytes[2] != 1 || bytes[3] != 0) {
    throw EPackError(which + " is neither an icon file (.ico) nor a PNG image");
  }
  try {
    icon.Images = ReadIconFile(bytes);
  } catch (const EResourceError& e) {
    throw EPackError(which + ": " + e.what());
  }
  for (size_t i = 0; i < icon.Images.size(); ++i) {
    const std::vector<uint8_t>& data = icon.Images[i].Data;
    if (StartsAsPng(data)) {
      if (const std::string fault = PngFault(data); !fault.empty()) {
        throw EPackError(which + ": image " + std::to_string(i + 1) +
                         " of the icon file: " + fault);
      }
    }
  }
  return icon;
}

std::vector<uint8_t> PackagedIconImage(const TAppIcon& icon) {
  if (icon.IsPng) {
    return icon.Bytes;
  }
  const auto largest = std::max_element(
      icon.Images.begin(), icon.Images.end(), [](const TIconImage& a, const TIconImage& b) {
        const int sideA = Side(a.Width) * Side(a.Height);
        const int sideB = Side(b.Width) * Side(b.Height);
        return sideA != sideB ? sideA < sideB : a.BitCount < b.BitCount;
      });
  if (StartsAsPng(largest->Data)) {
    return largest->Data;
  }
  // A bitmap image is kept as an icon file of that one image: its pixels
  // and transparency mask are read as an icon's, never as a bitmap file's.
  TByteWriter file;
  file.Put16(0);
  file.Put16(1);
  file.Put16(1);
  file.Put8(largest->Width);
  file.Put8(largest->Height);
  file.Put8(largest->ColorCount);
  file.Put8(0);
  file.Put16(largest->Planes);
  file.Put16(largest->BitCount);
  file.Put32(static_cast<uint32_t>(largest->Data.size()));
  file.Put32(6 + 16);
  file.PutBytes(largest->Data);
  return std::move(file.Bytes());
}

} // namespace tessera
