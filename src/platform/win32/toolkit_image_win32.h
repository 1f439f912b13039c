#pragma once

#include "platform/api/toolkit.h"
#include "platform/win32/gdi_handles.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tessera::win32 {

// A decoded picture: 32-bit pixels, top row first, each 0xAARRGGBB (in
// memory B, G, R, A) with the colour premultiplied by alpha, as the system
// blends bitmaps. Kept at its own size so that bitmaps of any size can be
// made from it.
class Win32Image final : public ToolkitImage {
public:
  Win32Image(int width, int height, std::vector<std::uint32_t> pixels);

  int Width() const override { return FWidth; }
  int Height() const override { return FHeight; }
  const std::vector<std::uint32_t>& Pixels() const { return FPixels; }
  std::uint32_t Pixel(int x, int y) const {
    return FPixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(FWidth) +
                   static_cast<std::size_t>(x)];
  }

private:
  int FWidth;
  int FHeight;
  std::vector<std::uint32_t> FPixels;
};

// The bytes come from packages and files: a picture that claims more than
// this many pixels (a few bytes of header can ask for gigabytes) is refused
// instead of decoded.
inline constexpr std::uint64_t kMaxImagePixels = 16ull * 1024 * 1024;

// Decodes a picture with the system's imaging codecs (PNG, JPEG, BMP, ICO,
// GIF, TIFF: the first frame); null for bytes no codec reads or pictures
// beyond kMaxImagePixels. Joins the calling thread to COM for the call when
// it is not yet.
std::shared_ptr<const Win32Image> DecodeImageBytes(const std::string& bytes);

// `image` scaled to fit a square of `side` pixels, keeping its proportions,
// centred, with transparent pixels around it; pixels as Win32Image has
// them, top row first.
std::vector<std::uint32_t> FitToSquare(const Win32Image& image, int side);

// A 32-bit top-down DIB section holding FitToSquare(image, side): the form
// menus draw with its alpha channel. Null when the system refuses one.
TBitmap CreateSquareBitmap(const Win32Image& image, int side);

} // namespace tessera::win32
