#include "package/zip_writer.h"

#include "base/exceptions.h"
#include "package/zip_archive.h"

#include <gtest/gtest.h>

#include <zlib.h>

#include <map>

namespace tessera {
namespace {

const std::string Password = "pack password";

std::vector<uint8_t> Bytes(std::string_view text) {
  return {text.begin(), text.end()};
}

std::vector<uint8_t> Pattern(size_t size, uint32_t seed) {
  std::vector<uint8_t> out(size);
  for (uint8_t& b : out) {
    seed = seed * 1664525u + 1013904223u;
    b = static_cast<uint8_t>(seed >> 24);
  }
  return out;
}

uint16_t Load16(const std::vector<uint8_t>& b, size_t at) {
  return static_cast<uint16_t>(b.at(at) | (b.at(at + 1) << 8));
}

uint32_t Load32(const std::vector<uint8_t>& b, size_t at) {
  return Load16(b, at) | (static_cast<uint32_t>(Load16(b, at + 2)) << 16);
}

TEST(ZipWriter, RoundTripsThroughTheReader) {
  // Sizes around the writer's 64 KiB chunk, binary data, an empty entry and
  // a name with non-ASCII letters; some entries stream from a TStream.
  const std::map<std::string, std::vector<uint8_t>> files = {
      {"qel.ini", Bytes("[App]\r\nName=Demo\r\n")},
      {"app/index.html", Bytes("<!doctype html><title>Demo</title>")},
      {"app/empty.txt", {}},
      {"app/img/\xC3\xA9t\xC3\xA9.png", Pattern(1000, 1)}, // été.png
      {"app/chunk.bin", Pattern(65536, 2)},
      {"app/chunk+1.bin", Pattern(65537, 3)},
      {"WebView2LoaderWin64.dll", Pattern(300000, 4)},
  };
  TMemoryStream package;
  TZipWriter writer(package, Password);
  bool stream = false;
  for (const auto& [name, data] : files) {
    if (stream) {
      TMemoryStream source(data);
      writer.AddEntry(name, source);
    } else {
      writer.AddEntry(name, data);
    }
    stream = !stream;
  }
  writer.Finish();
  EXPECT_EQ(writer.Count(), static_cast<int>(files.size()));
  EXPECT_EQ(writer.BytesWritten(), package.Size());

  TZipArchive zip;
  zip.SetPassword(Password);
  zip.Open(package);
  ASSERT_EQ(zip.Count(), static_cast<int>(files.size()));
  for (const auto& [name, data] : files) {
    EXPECT_EQ(zip.ExtractBytes(name), data) << name;
  }
  zip.SetPassword("Pack password");
  for (const auto& [name, data] : files) {
    EXPECT_FALSE(zip.ExtractBytes(name).has_value()) << name;
  }
}

TEST(ZipWriter, WritesThePackageFormat) {
  // Every entry encrypted, stored, with a signed data descriptor; UTF-8 flag
  // only on non-ASCII names; the check byte from the modification time.
  const TDosDateTime stamp = TDosDateTime::FromCalendar(2026, 3, 14, 15, 9, 26);
  const std::vector<uint8_t> data = Pattern(5000, 9);
  TMemoryStream package;
  TZipWriter writer(package, Password, stamp);
  writer.AddEntry("app/a.bin", data);
  writer.AddEntry("app/\xE2\x82\xAC.bin", data); // €.bin
  writer.Finish();
  const std::vector<uint8_t>& b = package.Bytes();

  TZipArchive zip;
  zip.Open(package);
  ASSERT_EQ(zip.Count(), 2);
  const uint32_t crc = static_cast<uint32_t>(crc32(0, data.data(), static_cast<uInt>(data.size())));
  for (int i = 0; i < 2; ++i) {
    const TZipEntry& e = zip.Entry(i);
    SCOPED_TRACE(e.Name);
    EXPECT_EQ(e.Flags, i == 0 ? 0x0009 : 0x0809);
    EXPECT_EQ(e.Method, 0);
    EXPECT_EQ(e.ModTime, stamp.Time);
    EXPECT_EQ(e.ModDate, stamp.Date);
    EXPECT_EQ(e.Crc32, crc);
    EXPECT_EQ(e.UncompressedSize, data.size());
    EXPECT_EQ(e.CompressedSize, data.size() + 12);

    const size_t local = e.LocalHeaderOffset;
    EXPECT_EQ(Load32(b, local), zip_format::LocalHeaderSignature);
    EXPECT_EQ(Load16(b, local + 6), e.Flags);
    EXPECT_EQ(Load16(b, local + 10), stamp.Time);
    const size_t dataStart = local + 30 + e.Name.size();
    const size_t descriptor = dataStart + e.CompressedSize;
    EXPECT_EQ(Load32(b, descriptor), zip_format::DataDescriptorSignature);
    EXPECT_EQ(Load32(b, descriptor + 4), crc);
    EXPECT_EQ(Load32(b, descriptor + 8), e.CompressedSize);
    EXPECT_EQ(Load32(b, descriptor + 12), e.UncompressedSize);

    TPkwareKeys keys(Password);
    std::vector<uint8_t> header(b.begin() + static_cast<ptrdiff_t>(dataStart),
                                b.begin() + static_cast<ptrdiff_t>(dataStart + 12));
    keys.Decrypt(header);
    EXPECT_EQ(header[11], stamp.Time >> 8);
  }
  // The random part of the header differs between equal entries.
  const size_t first = zip.Entry(0).LocalHeaderOffset + 30 + zip.Entry(0).Name.size();
  const size_t second = zip.Entry(1).LocalHeaderOffset + 30 + zip.Entry(1).Name.size();
  EXPECT_FALSE(std::equal(b.begin() + static_cast<ptrdiff_t>(first),
                          b.begin() + static_cast<ptrdiff_t>(first + 12),
                          b.begin() + static_cast<ptrdiff_t>(second)));
}

TEST(ZipWriter, OffsetsCountFromTheArchiveStart) {
  // The packager may write the package straight after a runtime image.
  TMemoryStream file;
  file.Write("MZ runtime image bytes");
  const int64_t start = file.Position();
  TZipWriter writer(file, Password);
  writer.AddEntry("a", Bytes("alpha"));
  writer.AddEntry("b", Bytes("beta"));
  writer.Finish();
  EXPECT_EQ(writer.BytesWritten(), file.Size() - start);

  TZipArchive zip;
  zip.SetPassword(Password);
  zip.Open(std::span(file.Bytes()).subspan(static_cast<size_t>(start)));
  EXPECT_EQ(zip.ExtractBytes("b"), Bytes("beta"));
}

TEST(ZipWriter, RefusesNamesTheRuntimeCouldNotFind) {
  TMemoryStream package;
  TZipWriter writer(package, Password);
  writer.AddEntry("app/Index.html", Bytes("x"));
  const char* const bad[] = {"", "app/index.HTML", "app\\main.js", "/app/main.js"};
  for (const char* name : bad) {
    EXPECT_THROW(writer.AddEntry(name, Bytes("y")), EZipError) << name;
  }
  // A refused name leaves the writer usable.
  writer.AddEntry("app/main.js", Bytes("z"));
  writer.Finish();
  TZipArchive zip;
  zip.Open(package);
  EXPECT_EQ(zip.Count(), 2);
}

TEST(ZipWriter, RefusesUseAfterFinish) {
  TMemoryStream package;
  TZipWriter writer(package, Password);
  writer.Finish();
  EXPECT_THROW(writer.AddEntry("a", Bytes("x")), EZipError);
  EXPECT_THROW(writer.Finish(), EZipError);
  TZipArchive zip;
  zip.Open(package);
  EXPECT_EQ(zip.Count(), 0);
}

TEST(ZipWriter, RefusesMoreEntriesThanTheFormatCounts) {
  TMemoryStream package;
  TZipWriter writer(package, Password);
  for (int i = 0; i < 65535; ++i) {
    writer.AddEntry(std::to_string(i), std::span<const uint8_t>());
  }
  EXPECT_THROW(writer.AddEntry("one more", std::span<const uint8_t>()), EZipError);
  writer.Finish();
  TZipArchive zip;
  zip.SetPassword(Password);
  zip.Open(package);
  EXPECT_EQ(zip.Count(), 65535);
  EXPECT_EQ(zip.ExtractBytes("65534"), std::vector<uint8_t>());
}

TEST(ZipWriter, ReportsProgressUpToTheLastByte) {
  TMemoryStream package;
  TZipWriter writer(package, Password);
  std::vector<int64_t> reports;
  writer.SetOnProgress([&](int64_t written) { reports.push_back(written); });
  writer.AddEntry("big", Pattern(200000, 5));
  writer.AddEntry("small", Bytes("x"));
  writer.Finish();
  ASSERT_GE(reports.size(), 4u); // several chunks of "big", then more
  EXPECT_TRUE(std::is_sorted(reports.begin(), reports.end()));
  EXPECT_EQ(reports.back(), package.Size());
}

TEST(ZipWriter, DosDateTimeEncodesAndClamps) {
  struct TCase {
    int Year, Month, Day, Hour, Minute, Second;
    uint16_t Date, Time;
  };
  const TCase cases[] = {
      {1980, 1, 1, 0, 0, 0, 0x0021, 0x0000},
      {2026, 3, 14, 15, 9, 27, ((2026 - 1980) << 9) | (3 << 5) | 14, (15 << 11) | (9 << 5) | 13},
      {2107, 12, 31, 23, 59, 59, (127 << 9) | (12 << 5) | 31, (23 << 11) | (59 << 5) | 29},
      {1970, 0, 0, -1, 60, 61, 0x0021, (0 << 11) | (59 << 5) | 29},
      {2200, 13, 32, 24, 0, 0, (127 << 9) | (12 << 5) | 31, (23 << 11)},
  };
  for (const TCase& c : cases) {
    const TDosDateTime stamp =
        TDosDateTime::FromCalendar(c.Year, c.Month, c.Day, c.Hour, c.Minute, c.Second);
    EXPECT_EQ(stamp.Date, c.Date) << c.Year;
    EXPECT_EQ(stamp.Time, c.Time) << c.Year;
  }
}

} // namespace
} // namespace tessera
