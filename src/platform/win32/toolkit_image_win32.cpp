#include "platform/win32/toolkit_image_win32.h"

#include "platform/win32/com_apartment.h"
#include "platform/win32/com_ref.h"

#include <wincodec.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

namespace tessera::win32 {

namespace {

// The decoded first frame as premultiplied BGRA, or nothing.
std::shared_ptr<const Win32Image> Decode(const std::string& bytes) {
  TComRef<IWICImagingFactory> factory;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                              IID_IWICImagingFactory, factory.ReceiveVoid()))) {
    return nullptr;
  }
  TComRef<IWICStream> stream;
  if (FAILED(factory->CreateStream(stream.Receive()))) {
    return nullptr;
  }
  // The stream reads the caller's bytes in place for the length of this
  // call; decoders only read from it.
  auto* data = reinterpret_cast<BYTE*>(const_cast<char*>(bytes.data()));
  if (FAILED(stream->InitializeFromMemory(data, static_cast<DWORD>(bytes.size())))) {
    return nullptr;
  }
  TComRef<IWICBitmapDecoder> decoder;
  if (FAILED(factory->CreateDecoderFromStream(stream.Get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                              decoder.Receive()))) {
    return nullptr;
  }
  TComRef<IWICBitmapFrameDecode> frame;
  if (FAILED(decoder->GetFrame(0, frame.Receive()))) {
    return nullptr;
  }
  UINT width = 0;
  UINT height = 0;
  if (FAILED(frame->GetSize(&width, &height)) || width == 0 || height == 0 ||
      static_cast<std::uint64_t>(width) * height > kMaxImagePixels) {
    return nullptr;
  }
  TComRef<IWICFormatConverter> converter;
  if (FAILED(factory->CreateFormatConverter(converter.Receive())) ||
      FAILED(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppPBGRA,
                                   WICBitmapDitherTypeNone, nullptr, 0.0,
                                   WICBitmapPaletteTypeCustom))) {
    return nullptr;
  }
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height);
  const UINT stride = width * 4;
  if (FAILED(converter->CopyPixels(nullptr, stride, stride * height,
                                   reinterpret_cast<BYTE*>(pixels.data())))) {
    return nullptr;
  }
  return std::make_shared<Win32Image>(static_cast<int>(width), static_cast<int>(height),
                                      std::move(pixels));
}

} // namespace

Win32Image::Win32Image(int width, int height, std::vector<std::uint32_t> pixels)
    : FWidth(width), FHeight(height), FPixels(std::move(pixels)) {}

std::shared_ptr<const Win32Image> DecodeImageBytes(const std::string& bytes) {
  if (bytes.empty() || bytes.size() > std::numeric_limits<DWORD>::max()) {
    return nullptr;
  }
  // Balanced for this call; a thread already in an apartment keeps it.
  TComApartment apartment;
  return Decode(bytes);
}

std::vector<std::uint32_t> FitToSquare(const Win32Image& image, int side) {
  const auto count = static_cast<std::size_t>(side) * static_cast<std::size_t>(side);
  std::vector<std::uint32_t> out(count, 0u);
  const int width = image.Width();
  const int height = image.Height();
  if (side <= 0 || width <= 0 || height <= 0) {
    return out;
  }
  // The longer side fills the square; the shorter keeps the proportion
  // (never less than one pixel).
  int fitWidth = side;
  int fitHeight = side;
  if (width > height) {
    fitHeight = std::max(
        1, static_cast<int>((static_cast<std::int64_t>(height) * side + width / 2) / width));
  } else if (height > width) {
    fitWidth = std::max(
        1, static_cast<int>((static_cast<std::int64_t>(width) * side + height / 2) / height));
  }
  const int left = (side - fitWidth) / 2;
  const int top = (side - fitHeight) / 2;
  // Each target pixel is the mean of the source pixels it covers (at
  // least one): a box filter when shrinking, the nearest pixel when
  // growing. Premultiplied channels average correctly.
  for (int y = 0; y < fitHeight; ++y) {
    const int y0 = static_cast<int>(static_cast<std::int64_t>(y) * height / fitHeight);
    const int y1 =
        std::max(y0 + 1, static_cast<int>(static_cast<std::int64_t>(y + 1) * height / fitHeight));
    for (int x = 0; x < fitWidth; ++x) {
      const int x0 = static_cast<int>(static_cast<std::int64_t>(x) * width / fitWidth);
      const int x1 =
          std::max(x0 + 1, static_cast<int>(static_cast<std::int64_t>(x + 1) * width / fitWidth));
      std::uint64_t sums[4] = {0, 0, 0, 0};
      for (int sy = y0; sy < y1; ++sy) {
        for (int sx = x0; sx < x1; ++sx) {
          const std::uint32_t pixel = image.Pixel(sx, sy);
          for (int channel = 0; channel < 4; ++channel) {
            sums[channel] += (pixel >> (channel * 8)) & 0xFFu;
          }
        }
      }
      const auto area = static_cast<std::uint64_t>(y1 - y0) * static_cast<std::uint64_t>(x1 - x0);
      std::uint32_t pixel = 0;
      for (int channel = 0; channel < 4; ++channel) {
        pixel |= static_cast<std::uint32_t>((sums[channel] + area / 2) / area) << (channel * 8);
      }
      out[static_cast<std::size_t>(top + y) * static_cast<std::size_t>(side) +
          static_cast<std::size_t>(left + x)] = pixel;
    }
  }
  return out;
}

TBitmap CreateSquareBitmap(const Win32Image& image, int side) {
  if (side <= 0) {
    return TBitmap();
  }
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = side;
  info.bmiHeader.biHeight = -side; // top-down, as the pixels are
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  TBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap || bits == nullptr) {
    return TBitmap();
  }
  const std::vector<std::uint32_t> pixels = FitToSquare(image, side);
  std::memcpy(bits, pixels.data(), pixels.size() * sizeof(std::uint32_t));
  return bitmap;
}

} // namespace tessera::win32
