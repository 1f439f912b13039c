// tessera-pack --icon for a Linux runtime: the icon goes into the package
// for the windows to show; damaged pictures are refused.
#include "pack_fixture.h"

#include "package/app_icon_entry.h"
#include "tools/pack/app_icon.h"

#include <sstream>

namespace tessera {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;
using testing::WriteBytes;

// A 2 x 2 RGBA picture, as an encoder writes it.
const std::vector<uint8_t> kPng = {
    0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44,
    0x52, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x02, 0x08, 0x06, 0x00, 0x00, 0x00, 0x72,
    0xB6, 0x0D, 0x24, 0x00, 0x00, 0x00, 0x11, 0x49, 0x44, 0x41, 0x54, 0x78, 0x9C, 0x63, 0xF8,
    0xCF, 0xC0, 0xF0, 0x1F, 0x84, 0x19, 0x60, 0x0C, 0x00, 0x47, 0xCA, 0x07, 0xF9, 0x67, 0x59,
    0x6E, 0xB7, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};

// A 16 x 16 bitmap image of an icon file: its header and pixels.
std::vector<uint8_t> IconBitmap() {
  std::vector<uint8_t> bitmap(40 + 16 * 16 * 4 + 16 * 4, 0x7F);
  std::fill(bitmap.begin(), bitmap.begin() + 40, 0);
  testing::Put(bitmap, 0, 40, 4);
  testing::Put(bitmap, 4, 16, 4);
  testing::Put(bitmap, 8, 32, 4);
  testing::Put(bitmap, 12, 1, 2);
  testing::Put(bitmap, 14, 32, 2);
  return bitmap;
}

// An icon file of the images, each given as (side, data).
std::vector<uint8_t> IconFile(const std::vector<std::pair<uint8_t, std::vector<uint8_t>>>& images) {
  std::vector<uint8_t> file = {0, 0, 1, 0, static_cast<uint8_t>(images.size()), 0};
  size_t offset = 6 + 16 * images.size();
  for (const auto& [side, data] : images) {
    const std::vector<uint8_t> entry = {side, side, 0, 0, 1, 0, 32, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    file.insert(file.end(), entry.begin(), entry.end());
    testing::Put(file, file.size() - 8, data.size(), 4);
    testing::Put(file, file.size() - 4, offset, 4);
    offset += data.size();
  }
  for (const auto& image : images) {
    file.insert(file.end(), image.second.begin(), image.second.end());
  }
  return file;
}

// kPng with another width and colour type in its header, and the header's
// CRC given for them.
std::vector<uint8_t> WithHeader(uint8_t width, uint8_t colorType, uint32_t crc) {
  std::vector<uint8_t> png = kPng;
  png[19] = width;
  png[25] = colorType;
  for (size_t i = 0; i < 4; ++i) {
    png[29 + i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
  }
  return png;
}

class PackIconTest : public testing::PackFixture {
public:
  PackIconTest() {
    WriteBytes(Dir.File("linux-runtime"), testing::MakeElf(true, false, {{0, 120, 1}}, {}, 0));
    Options.Runtime = Dir.File("linux-runtime");
    Options.Icon = Dir.File("icon");
  }
};

TEST_F(PackIconTest, ALinuxPackageCarriesTheLargestImageOfTheIcon) {
  const std::string png(kPng.begin(), kPng.end());
  const std::vector<uint8_t> bitmapIcon = IconFile({{16, IconBitmap()}});
  const struct {
    const char* Why;
    std::vector<uint8_t> Icon;
    std::string Packed;
  } cases[] = {
      {"a PNG image as it is", kPng, png},
      {"an icon file's PNG image, the largest", IconFile({{16, IconBitmap()}, {48, kPng}}), png},
      {"an icon file of one bitmap image, as such a file", IconFile({{16, IconBitmap()}}),
       std::string(bitmapIcon.begin(), bitmapIcon.end())},
      {"an icon file's largest bitmap image, alone", IconFile({{0, IconBitmap()}, {16, kPng}}),
       [] {
         const auto one = IconFile({{0, IconBitmap()}});
         return std::string(one.begin(), one.end());
       }()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Why);
    WriteBytes(*Options.Icon, c.Icon);
    Pack(Options, Os);
    const auto entries = PackedEntries();
    ASSERT_EQ(entries.count(std::string(kAppIconEntryName)), 1u);
    EXPECT_EQ(entries.at(std::string(kAppIconEntryName)), c.Packed);
    EXPECT_EQ(entries.at("web/index.html"), "<h1>Hello</h1>");
  }
}

TEST_F(PackIconTest, RefusesADamagedIconAndWritesNothing) {
  const auto changed = [](size_t at, uint8_t value) {
    std::vector<uint8_t> png = kPng;
    png.at(at) = value;
    return png;
  };
  const auto truncated = [](size_t size) {
    return std::vector<uint8_t>(kPng.begin(), kPng.begin() + static_cast<ptrdiff_t>(size));
  };
  const struct {
    const char* Why;
    std::vector<uint8_t> Icon;
    const char* Says;
  } cases[] = {
      {"text", Bytes("not a picture"), "neither an icon file (.ico) nor a PNG image"},
      {"the signature alone", truncated(8), "the PNG image is truncated"},
      {"cut in its data", truncated(50), "the PNG image is truncated"},
      {"without its end", truncated(kPng.size() - 12), "the PNG image is truncated"},
      {"a changed pixel byte", changed(45, 0x00), "chunk IDAT fails its check"},
      {"a width of 0 (with a matching check)", WithHeader(0, 6, 0x7643DD19), "has no size"},
      {"an unknown colour type (with a matching check)", WithHeader(2, 7, 0xCA0A6A41),
       "a pixel format no decoder reads"},
      {"a PNG image inside an icon file, damaged", IconFile({{16, truncated(50)}}),
       "image 1 of the icon file: the PNG image is truncated"},
      {"an icon file whose image lies outside it",
       [] {
         auto file = IconFile({{16, IconBitmap()}});
         file.resize(100);
         return file;
       }(),
       "lies outside the file"},
  };
  WriteBytes(Options.Output, Bytes("previous build"));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Why);
    WriteBytes(*Options.Icon, c.Icon);
    std::ostringstream out, err;
    std::vector<std::string> args = {"--runtime",  Options.Runtime,  "--app",  Options.AppDir,
                                     "--settings", Options.Settings, "--icon", *Options.Icon,
                                     "--output",   Options.Output};
    EXPECT_EQ(RunPackTool(args, out, err, Os), 1);
    EXPECT_NE(err.str().find(c.Says), std::string::npos) << err.str();
    EXPECT_NE(err.str().find(*Options.Icon), std::string::npos) << err.str();
    EXPECT_EQ(testing::ReadBytes(Options.Output), Bytes("previous build"));
    EXPECT_TRUE(Dir.Names() == (std::vector<std::string>{"app", "icon", "linux-runtime", "out.exe",
                                                         "qel.ini", "runtime.exe"}));
  }
}

TEST_F(PackIconTest, AWindowsRuntimeTakesAnIconFileOnly) {
  Options.Runtime = Dir.File("runtime.exe");
  WriteBytes(*Options.Icon, kPng);
  try {
    Pack(Options, Os);
    ADD_FAILURE() << "packed";
  } catch (const EPackError& e) {
    EXPECT_NE(std::string(e.what()).find("is a PNG image; runtime"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("must be an icon file (.ico)"), std::string::npos);
  }
  EXPECT_FALSE(fs::exists(PathFromUtf8(Options.Output)));
}

} // namespace
} // namespace tessera
