#pragma once

#include "package/resource_bytes.h"

#include <cstdint>
#include <span>
#include <vector>

namespace tessera {

// One image of an icon file (.ico), with the fields its directory entry
// gives the resource group: a width or height of 0 means 256.
struct TIconImage {
  uint8_t Width = 0;
  uint8_t Height = 0;
  uint8_t ColorCount = 0;
  uint16_t Planes = 0;
  uint16_t BitCount = 0;
  std::vector<uint8_t> Data; // a device-independent bitmap or a PNG file
};

// The images of an icon file, in its order. Raises EResourceError when the
// bytes are not an icon file (a cursor, a damaged directory, an image that
// lies outside the file or is neither a bitmap nor a PNG image).
std::vector<TIconImage> ReadIconFile(std::span<const uint8_t> bytes);

} // namespace tessera
