// Pictures decoded by the Win32 toolkit, and the square bitmaps menus show
// them in. The pictures are made here, pixel by pixel, in the formats'
// own byte layouts.
#include "platform/win32/toolkit_image_win32.h"
#include "platform/win32/toolkit_win32.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace tessera {
namespace {

using win32::Win32Image;

// Straight (not premultiplied) RGBA, as the file formats store colour.
struct TRgba {
  std::uint8_t R, G, B, A;
};

void PutLittle(std::string& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) {
    out += static_cast<char>((value >> (8 * i)) & 0xFF);
  }
}

void PutBig(std::string& out, std::uint32_t value) {
  for (int i = 3; i >= 0; --i) {
    out += static_cast<char>((value >> (8 * i)) & 0xFF);
  }
}

// A 24-bit BMP, rows stored bottom-up and padded to four bytes. The header
// may claim another size than the pixels given.
std::string MakeBmp(int width, int height, const std::vector<TRgba>& pixels, int claimedWidth = 0,
                    int claimedHeight = 0) {
  const int stride = (width * 3 + 3) / 4 * 4;
  std::string data;
  for (int y = height - 1; y >= 0; --y) {
    std::string row;
    for (int x = 0; x < width; ++x) {
      const TRgba& p = pixels[static_cast<std::size_t>(y * width + x)];
      row += static_cast<char>(p.B);
      row += static_cast<char>(p.G);
      row += static_cast<char>(p.R);
    }
    row.resize(static_cast<std::size_t>(stride), '\0');
    data += row;
  }
  std::string out = "BM";
  PutLittle(out, static_cast<std::uint32_t>(54 + data.size()), 4);
  PutLittle(out, 0, 4);
  PutLittle(out, 54, 4);
  PutLittle(out, 40, 4);
  PutLittle(out, static_cast<std::uint32_t>(claimedWidth != 0 ? claimedWidth : width), 4);
  PutLittle(out, static_cast<std::uint32_t>(claimedHeight != 0 ? claimedHeight : height), 4);
  PutLittle(out, 1, 2);
  PutLittle(out, 24, 2);
  PutLittle(out, 0, 4); // BI_RGB
  PutLittle(out, static_cast<std::uint32_t>(data.size()), 4);
  PutLittle(out, 2835, 4);
  PutLittle(out, 2835, 4);
  PutLittle(out, 0, 4);
  PutLittle(out, 0, 4);
  return out + data;
}

void PutPngChunk(std::string& out, const char* type, const std::string& data) {
  PutBig(out, static_cast<std::uint32_t>(data.size()));
  const std::string body = std::string(type, 4) + data;
  out += body;
  PutBig(out, static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(body.data()),
                                               static_cast<uInt>(body.size()))));
}

// An 8-bit RGBA PNG (colour type 6), every row with filter 0.
std::string MakePng(int width, int height, const std::vector<TRgba>& pixels) {
  std::string raw;
  for (int y = 0; y < height; ++y) {
    raw += '\0';
    for (int x = 0; x < width; ++x) {
      const TRgba& p = pixels[static_cast<std::size_t>(y * width + x)];
      raw += {static_cast<char>(p.R), static_cast<char>(p.G), static_cast<char>(p.B),
              static_cast<char>(p.A)};
    }
  }
  uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
  std::string packed(packedSize, '\0');
  compress(reinterpret_cast<Bytef*>(packed.data()), &packedSize,
           reinterpret_cast<const Bytef*>(raw.data()), static_cast<uLong>(raw.size()));
  packed.resize(packedSize);

  std::string header;
  PutBig(header, static_cast<std::uint32_t>(width));
  PutBig(header, static_cast<std::uint32_t>(height));
  header += {8, 6, 0, 0, 0};
  std::string out = "\x89PNG\r\n\x1a\n";
  PutPngChunk(out, "IHDR", header);
  PutPngChunk(out, "IDAT", packed);
  PutPngChunk(out, "IEND", "");
  return out;
}

// 0xAARRGGBB, premultiplied, as Win32Image holds pixels.
constexpr std::uint32_t Argb(std::uint32_t a, std::uint32_t r, std::uint32_t g, std::uint32_t b) {
  return (a << 24) | (r << 16) | (g << 8) | b;
}

const Win32Image& AsWin32(const std::shared_ptr<const ToolkitImage>& image) {
  return dynamic_cast<const Win32Image&>(*image);
}

class ToolkitImageTest : public testing::Test {
protected:
  std::unique_ptr<Toolkit> FToolkit = CreateWin32Toolkit();
};

TEST_F(ToolkitImageTest, DecodesABmpTopRowFirst) {
  // Bottom-up on disk: a decoder that forgot to flip would swap the rows.
  const std::vector<TRgba> pixels = {{255, 0, 0, 255},     {0, 255, 0, 255}, {0, 0, 255, 255},
                                     {255, 255, 255, 255}, {0, 0, 0, 255},   {10, 20, 30, 255}};
  const auto image = FToolkit->DecodeImage(MakeBmp(3, 2, pixels));
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->Width(), 3);
  EXPECT_EQ(image->Height(), 2);
  const Win32Image& decoded = AsWin32(image);
  EXPECT_EQ(decoded.Pixel(0, 0), Argb(255, 255, 0, 0));
  EXPECT_EQ(decoded.Pixel(2, 0), Argb(255, 0, 0, 255));
  EXPECT_EQ(decoded.Pixel(0, 1), Argb(255, 255, 255, 255));
  EXPECT_EQ(decoded.Pixel(2, 1), Argb(255, 10, 20, 30));
}

TEST_F(ToolkitImageTest, DecodesAPngWithItsColourPremultipliedByAlpha) {
  const std::vector<TRgba> pixels = {
      {255, 0, 0, 255}, {255, 0, 0, 128}, {0, 200, 100, 0}, {40, 80, 120, 255}};
  const auto image = FToolkit->DecodeImage(MakePng(2, 2, pixels));
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->Width(), 2);
  EXPECT_EQ(image->Height(), 2);
  const Win32Image& decoded = AsWin32(image);
  EXPECT_EQ(decoded.Pixel(0, 0), Argb(255, 255, 0, 0));
  // 255 * 128 / 255; codecs round either way.
  const std::uint32_t halfRed = decoded.Pixel(1, 0);
  EXPECT_EQ(halfRed >> 24, 128u);
  EXPECT_NEAR(static_cast<int>((halfRed >> 16) & 0xFF), 128, 1);
  EXPECT_EQ(halfRed & 0xFFFFu, 0u);
  EXPECT_EQ(decoded.Pixel(0, 1), 0u) << "fully transparent keeps no colour";
  EXPECT_EQ(decoded.Pixel(1, 1), Argb(255, 40, 80, 120));
}

TEST_F(ToolkitImageTest, BytesThatAreNoPictureGiveNull) {
  const std::string png = MakePng(2, 2, std::vector<TRgba>(4, TRgba{1, 2, 3, 255}));
  const struct {
    const char* Name;
    std::string Bytes;
  } cases[] = {
      {"empty", ""},
      {"text", "not an image at all, just some text"},
      {"PNG signature only", png.substr(0, 8)},
      {"PNG cut inside its header", png.substr(0, 20)},
      {"BMP header only", MakeBmp(3, 2, std::vector<TRgba>(6)).substr(0, 14)},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FToolkit->DecodeImage(c.Bytes), nullptr) << c.Name;
  }
}

TEST_F(ToolkitImageTest, RefusesAPictureThatClaimsMorePixelsThanAllowed) {
  // A few dozen bytes asking for 10^10 pixels: refused before anything is
  // allocated for them.
  const std::string bytes = MakeBmp(1, 1, {TRgba{0, 0, 0, 255}}, 100000, 100000);
  EXPECT_EQ(FToolkit->DecodeImage(bytes), nullptr);
}

TEST_F(ToolkitImageTest, DecodesOnAThreadThatHasNotJoinedCom) {
  const std::string bytes = MakePng(1, 1, {TRgba{0, 0, 255, 255}});
  std::shared_ptr<const ToolkitImage> image;
  std::thread([&] { image = FToolkit->DecodeImage(bytes); }).join();
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(AsWin32(image).Pixel(0, 0), Argb(255, 0, 0, 255));
}

TEST(FitToSquareTest, KeepsTheProportionsAndCentresWithTransparentBands) {
  constexpr std::uint32_t kRed = Argb(255, 255, 0, 0);
  // 32 by 16, shrunk into 16 by 16: 16 by 8 of red, with four transparent
  // rows above and below.
  const Win32Image wide(32, 16, std::vector<std::uint32_t>(32 * 16, kRed));
  const std::vector<std::uint32_t> square = win32::FitToSquare(wide, 16);
  ASSERT_EQ(square.size(), 256u);
  for (int y = 0; y < 16; ++y) {
    const std::uint32_t expected = y >= 4 && y < 12 ? kRed : 0u;
    for (int x = 0; x < 16; ++x) {
      ASSERT_EQ(square[static_cast<std::size_t>(y * 16 + x)], expected) << x << "," << y;
    }
  }
}

TEST(FitToSquareTest, AveragesWhenShrinkingAndRepeatsWhenGrowing) {
  // A 2 by 2 chequer of opaque white and transparent: shrunk to one pixel
  // it is half-transparent white (premultiplied), grown to four pixels each
  // quadrant keeps its source pixel.
  constexpr std::uint32_t kWhite = Argb(255, 255, 255, 255);
  const Win32Image chequer(2, 2, {kWhite, 0u, 0u, kWhite});
  EXPECT_EQ(win32::FitToSquare(chequer, 1), std::vector<std::uint32_t>{Argb(128, 128, 128, 128)});
  EXPECT_EQ(win32::FitToSquare(chequer, 4),
            (std::vector<std::uint32_t>{kWhite, kWhite, 0, 0, kWhite, kWhite, 0, 0, 0, 0, kWhite,
                                        kWhite, 0, 0, kWhite, kWhite}));
}

} // namespace
} // namespace tessera
