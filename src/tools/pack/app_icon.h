#pragma once

#include "package/icon_file.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tessera {

// The icon given with --icon, read and checked.
struct TAppIcon {
  bool IsPng = false;
  std::vector<uint8_t> Bytes;     // the file as given
  std::vector<TIconImage> Images; // an icon file's images; empty for a PNG image
};

// Reads an icon file (.ico) or a PNG image. Raises EPackError, naming the
// file and the fault, for anything else and for a damaged or truncated file.
TAppIcon ReadAppIcon(const std::string& path, const std::vector<uint8_t>& bytes);

// What a Linux package stores for the window icon: one picture the
// toolkit's decoders read, the largest the icon holds (desktops scale it
// down for their lists and task bars, and ask for large ones too).
std::vector<uint8_t> PackagedIconImage(const TAppIcon& icon);

// Checks the structure of a PNG image: the signature, an IHDR chunk first
// with a size and a known pixel format, image data, an IEND chunk, and
// every chunk whole with its CRC matching. Returns the fault, or "".
std::string PngFault(std::span<const uint8_t> bytes);

} // namespace tessera
