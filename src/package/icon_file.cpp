#include "package/icon_file.h"

#include <algorithm>
#include <array>
#include <string>

namespace tessera {

namespace {

constexpr size_t kHeaderSize = 6;
constexpr size_t kEntrySize = 16;
constexpr std::array<uint8_t, 8> kPngSignature = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

bool IsPng(std::span<const uint8_t> data) {
  return data.size() >= kPngSignature.size() &&
         std::equal(kPngSignature.begin(), kPngSignature.end(), data.begin());
}

// A bitmap header the loader reads (BITMAPINFOHEADER or its V4/V5 forms).
bool IsBitmap(std::span<const uint8_t> data) {
  const TByteView view(data, "an icon image");
  if (!view.Has(0, 40)) {
    return false;
  }
  const uint32_t headerSize = view.Get32(0);
  return (headerSize == 40 || headerSize == 108 || headerSize == 124) && view.Has(0, headerSize) &&
         view.Get16(12) == 1;
}

// Bits a pixel, as the group directory wants it where the file left it 0.
uint16_t BitsOf(std::span<const uint8_t> data) {
  const TByteView view(data, "an icon image");
  if (!IsPng(data)) {
    return view.Get16(14);
  }
  // IHDR: bit depth and colour type follow width and height.
  if (!view.Has(8 + 8 + 10, 1)) {
    return 32;
  }
  const uint8_t depth = view.Get8(24);
  const uint8_t colorType = view.Get8(25);
  const uint8_t channels = colorType == 6 ? 4 : colorType == 2 ? 3 : colorType == 4 ? 2 : 1;
  return static_cast<uint16_t>(depth * channels);
}

} // namespace

std::vector<TIconImage> ReadIconFile(std::span<const uint8_t> bytes) {
  const TByteView view(bytes, "the icon file");
  if (!view.Has(0, kHeaderSize) || view.Get16(0) != 0 || view.Get16(2) != 1) {
    throw EResourceError("not an icon file (.ico)");
  }
  const uint16_t count = view.Get16(4);
  if (count == 0) {
    throw EResourceError("the icon file holds no images");
  }
  view.Require(kHeaderSize, size_t{count} * kEntrySize);
  std::vector<TIconImage> images;
  for (size_t i = 0; i < count; ++i) {
    const size_t entry = kHeaderSize + i * kEntrySize;
    const uint32_t size = view.Get32(entry + 8);
    const uint32_t offset = view.Get32(entry + 12);
    const std::string which = "image " + std::to_string(i + 1) + " of the icon file";
    if (size == 0 || !view.Has(offset, size)) {
      throw EResourceError(which + " lies outside the file");
    }
    const auto data = view.Slice(offset, size);
    if (!IsPng(data) && !IsBitmap(data)) {
      throw EResourceError(which + " is neither a bitmap nor a PNG image");
    }
    const uint16_t planes = view.Get16(entry + 4);
    const uint16_t bits = view.Get16(entry + 6);
    images.push_back({view.Get8(entry), view.Get8(entry + 1), view.Get8(entry + 2),
                      planes != 0 ? planes : uint16_t{1}, bits != 0 ? bits : BitsOf(data),
                      std::vector<uint8_t>(data.begin(), data.end())});
  }
  return images;
}

} // namespace tessera
