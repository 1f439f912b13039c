#include "package/zip_archive.h"

#include "base/exceptions.h"
#include "base/stream.h"
#include "zip_crafted_archive.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

namespace tessera {
namespace {

using ziptest::CraftArchive;
using ziptest::TCraftedArchive;
using ziptest::TCraftedEntry;
namespace crafted = ziptest::crafted;

const std::string Password = "Correct horse";

std::vector<uint8_t> Bytes(std::string_view text) {
  return {text.begin(), text.end()};
}

// Compressible text with some variety, so deflate has work to do.
std::vector<uint8_t> SampleText(size_t size) {
  std::vector<uint8_t> out;
  out.reserve(size);
  for (size_t i = 0; out.size() < size; ++i) {
    const std::string line = "<p>paragraph " + std::to_string(i % 37) + " of the page</p>\n";
    for (const char c : line) {
      if (out.size() < size) {
        out.push_back(static_cast<uint8_t>(c));
      }
    }
  }
  return out;
}

std::vector<uint8_t> SampleBinary(size_t size) {
  std::vector<uint8_t> out(size);
  uint32_t x = 2463534242u;
  for (uint8_t& b : out) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    b = static_cast<uint8_t>(x);
  }
  return out;
}

// What Extract wrote into a memory stream that held "before" and stood at
// its end.
std::string ExtractAfterPrefix(const TZipArchive& zip, std::string_view name) {
  TMemoryStream target;
  target.Write("before");
  zip.Extract(name, target);
  return std::string(target.Text());
}

TEST(ZipArchive, ReadsEveryKindOfEntry) {
  // Stored and deflated, encrypted or not, with and without a data
  // descriptor (which decides the check byte), and the empty entry.
  const std::vector<uint8_t> text = SampleText(70000); // more than one inflate input chunk
  const std::vector<uint8_t> binary = SampleBinary(5000);
  std::vector<TCraftedEntry> entries;
  for (const uint16_t method : {0, 8}) {
    for (const bool encrypted : {true, false}) {
      for (const bool descriptor : {true, false}) {
        const std::string tag =
            std::to_string(method) + (encrypted ? "e" : "p") + (descriptor ? "d" : "n");
        entries.push_back(TCraftedEntry("text/" + tag, text)
                              .SetMethod(method)
                              .SetEncrypted(encrypted)
                              .SetDescriptor(descriptor));
        entries.push_back(TCraftedEntry("binary/" + tag, binary)
                              .SetMethod(method)
                              .SetEncrypted(encrypted)
                              .SetDescriptor(descriptor));
        entries.push_back(TCraftedEntry("empty/" + tag, {})
                              .SetMethod(method)
                              .SetEncrypted(encrypted)
                              .SetDescriptor(descriptor));
      }
    }
  }
  const TCraftedArchive archive = CraftArchive(entries, Password);
  TZipArchive zip;
  zip.SetPassword(Password);
  zip.Open(archive.Span());
  ASSERT_EQ(zip.Count(), static_cast<int>(entries.size()));
  for (size_t i = 0; i < entries.size(); ++i) {
    EXPECT_EQ(zip.Entry(static_cast<int>(i)).Name, entries[i].Name);
    const auto got = zip.ExtractBytes(entries[i].Name);
    ASSERT_TRUE(got.has_value()) << entries[i].Name;
    EXPECT_EQ(*got, entries[i].Data) << entries[i].Name;
  }
}

TEST(ZipArchive, ReadsInfoZipEncryptedArchive) {
  // Written by Info-ZIP's zip with -P fixture: hello.txt deflated (-9),
  // Data/bytes.bin stored (-0); both with a data descriptor flag.
  std::ifstream file(std::filesystem::path(TESSERA_TEST_DATA_DIR) / "zip_infozip_encrypted.zip",
                     std::ios::binary);
  ASSERT_TRUE(file.is_open());
  const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(file), {}};
  std::string hello;
  for (int i = 0; i < 100; ++i) {
    hello += "Hello from the package.\n";
  }
  std::vector<uint8_t> all(256);
  for (size_t i = 0; i < all.size(); ++i) {
    all[i] = static_cast<uint8_t>(i);
  }

  TZipArchive zip;
  zip.SetPassword("fixture");
  zip.Open(bytes);
  ASSERT_EQ(zip.Count(), 2);
  EXPECT_EQ(zip.Entry(0).Method, zip_format::MethodDeflated);
  EXPECT_EQ(zip.ExtractBytes("hello.txt"), Bytes(hello));
  EXPECT_EQ(zip.ExtractBytes("data/BYTES.bin"), all);

  zip.SetPassword("Fixture");
  EXPECT_FALSE(zip.ExtractBytes("hello.txt").has_value());
  EXPECT_FALSE(zip.ExtractBytes("Data/bytes.bin").has_value());
}

TEST(ZipArchive, CheckByteComesFromTimeWithDescriptorAndFromCrcWithout) {
  // The time's high byte (0x7A) and the CRC's high byte differ, so a reader
  // that looks at the wrong field refuses the entry.
  const std::vector<uint8_t> data = Bytes("check byte sample");
  const uint32_t crc = static_cast<uint32_t>(crc32(0, data.data(), static_cast<uInt>(data.size())));
  const uint8_t fromTime = 0x7A;
  const uint8_t fromCrc = static_cast<uint8_t>(crc >> 24);
  ASSERT_NE(fromTime, fromCrc);
  struct TCase {
    bool Descriptor;
    uint8_t CheckByte;
    bool Readable;
  };
  const TCase cases[] = {
      {true, fromTime, true},
      {true, fromCrc, false},
      {false, fromCrc, true},
      {false, fromTime, false},
  };
  for (const TCase& c : cases) {
    const TCraftedArchive archive = CraftArchive(
        {TCraftedEntry("e", data).SetDescriptor(c.Descriptor).SetCheckByte(c.CheckByte)}, Password);
    TZipArchive zip;
    zip.SetPassword(Password);
    zip.Open(archive.Span());
    EXPECT_EQ(zip.ExtractBytes("e").has_value(), c.Readable)
        << "descriptor " << c.Descriptor << ", check byte " << int(c.CheckByte);
  }

  // The time is the local header's, not the central directory's.
  TCraftedArchive archive = CraftArchive({TCraftedEntry("e", data)}, Password);
  archive.Put16(archive.LocalOffsets[0] + crafted::LocalModTime, 0x1000);
  TZipArchive zip;
  zip.SetPassword(Password);
  zip.Open(archive.Span());
  EXPECT_FALSE(zip.ExtractBytes("e").has_value());
}

TEST(ZipArchive, WrongPasswordYieldsNothingForEveryEntry) {
  std::vector<TCraftedEntry> entries = {
      TCraftedEntry("a.html", SampleText(3000)),
      TCraftedEntry("b.bin", SampleBinary(3000)).SetMethod(8),
      TCraftedEntry("c.txt", Bytes("x")).SetDescriptor(false),
  };
  const TCraftedArchive archive = CraftArchive(entries, Password);
  TZipArchive zip;
  zip.SetPassword("wrong");
  zip.Open(archive.Span());
  for (const TCraftedEntry& e : entries) {
    EXPECT_EQ(ExtractAfterPrefix(zip, e.Name), "before") << e.Name;
  }

  // One wrong password in 256 passes the header check; the CRC-32 still
  // keeps its garbage from the target.
  const TCraftedArchive one = CraftArchive({entries[0]}, Password);
  TPkwareKeys right(Password);
  TZipArchive probe;
  probe.Open(one.Span());
  int passed = 0;
  for (int i = 0; i < 4000; ++i) {
    const std::string guess = "guess" + std::to_string(i);
    TPkwareKeys keys(guess);
    const auto header = std::span(one.Bytes).subspan(one.DataOffsets[0]).first<PkwareHeaderSize>();
    if (!PkwareCheckHeader(keys, header, 0x7A)) {
      continue;
    }
    ++passed;
    probe.SetPassword(guess);
    EXPECT_EQ(ExtractAfterPrefix(probe, "a.html"), "before") << guess;
  }
  EXPECT_GT(passed, 0);
}

TEST(ZipArchive, PasswordMayBeSetBeforeOrAfterOpen) {
  const TCraftedArchive archive = CraftArchive({TCraftedEntry("a", Bytes("alpha"))}, Password);
  TZipArchive zip;
  zip.SetPassword(Password);
  zip.Open(archive.Span());
  EXPECT_EQ(zip.ExtractBytes("a"), Bytes("alpha"));
  zip.SetPassword("other");
  EXPECT_FALSE(zip.ExtractBytes("a").has_value());
  zip.SetPassword(Password);
  EXPECT_EQ(zip.ExtractBytes("a"), Bytes("alpha"));
  EXPECT_EQ(zip.PasswordRetryCount(), 3);
}

TEST(ZipArchive, LookupIgnoresAsciiCaseOnly) {
  const TCraftedArchive archive = CraftArchive(
      {
          TCraftedEntry("app/Index.html", Bytes("index")),
          TCraftedEntry("app/\xC3\xBC.txt", Bytes("u-umlaut")), // ü
          TCraftedEntry("APP/index.HTML", Bytes("duplicate")),
          TCraftedEntry("qel.ini", Bytes("ini")),
      },
      Password);
  TZipArchive zip;
  zip.SetPassword(Password);
  zip.Open(archive.Span());
  struct TCase {
    std::string_view Name;
    int Index;
  };
  const TCase cases[] = {
      {"app/Index.html", 0},   {"APP/INDEX.HTML", 0},   // a duplicate name finds the first entry
      {"app/index.html", 0},   {"app\\Index.html", -1}, // separators are compared as they are
      {"app/Index.htm", -1},   {"app/Index.html ", -1},
      {"Index.html", -1},      {"app/\xC3\xBC.txt", 1},
      {"APP/\xC3\xBC.TXT", 1}, {"app/\xC3\x9C.txt", -1}, // Ü: only A-Z are folded
      {"QEL.INI", 3},          {"", -1},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(zip.IndexOf(c.Name), c.Index) << c.Name;
  }
  EXPECT_EQ(zip.ExtractBytes("app/INDEX.html"), Bytes("index"));
}

TEST(ZipArchive, LookupFindsEveryEntryOfALargeDirectory) {
  std::vector<TCraftedEntry> entries;
  for (int i = 0; i < 3000; ++i) {
    entries.push_back(
        TCraftedEntry("app/dir" + std::to_string(i % 17) + "/File" + std::to_string(i), {})
            .SetEncrypted(false));
  }
  const TCraftedArchive archive = CraftArchive(entries, Password);
  TZipArchive zip;
  zip.Open(archive.Span());
  for (int i = 0; i < 3000; ++i) {
    ASSERT_EQ(zip.IndexOf("APP/DIR" + std::to_string(i % 17) + "/file" + std::to_string(i)), i);
  }
  EXPECT_EQ(zip.IndexOf("app/dir0/File3000"), -1);
}

TEST(ZipArchive, ExtractAppendsAtTheTargetPosition) {
  const TCraftedArchive archive = CraftArchive({TCraftedEntry("a", Bytes("alpha"))}, Password);
  TZipArchive zip;
  zip.SetPassword(Password);
  zip.Open(archive.Span());

  TMemoryStream target;
  target.Write("0123456789");
  target.SetPosition(3);
  EXPECT_TRUE(zip.Extract("a", target));
  EXPECT_EQ(target.Text(), "012alpha89");
  EXPECT_EQ(target.Position(), 8);

  EXPECT_FALSE(zip.Extract("missing", target));
  EXPECT_EQ(target.Text(), "012alpha89");
  EXPECT_EQ(target.Position(), 8);
}

TEST(ZipArchive, MissingEntryLeavesNewFileEmpty) {
  const TCraftedArchive archive = CraftArchive({TCraftedEntry("a", Bytes("alpha"))}, Password);
  TZipArchive zip;
  zip.SetPassword(Password);
  zip.Open(archive.Span());
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() / "tessera_zip_archive_missing.bin";
  {
    TFileStream file(path.string(), TFileStream::TMode::Create);
    EXPECT_FALSE(zip.Extract("WebView2LoaderWin64.dll", file));
  }
  EXPECT_EQ(std::filesystem::file_size(path), 0u);
  std::filesystem::remove(path);
}

TEST(ZipArchive, ExtractSwallowsTargetFailures) {
  class TFailingStream final : public TStream {
  public:
    size_t Read(void*, size_t) override { return 0; }
    void Write(const void*, size_t) override { throw EFileError("disk full"); }
    int64_t Position() const override { return 0; }
    void SetPosition(int64_t) override {}
    int64_t Size() const override { return 0; }
  };
  const TCraftedArchive archive = CraftArchive({TCraftedEntry("a", Bytes("alpha"))}, Password);
  TZipArchive zip;
  zip.SetPassword(Password);
  zip.Open(archive.Span());
  TFailingStream target;
  EXPECT_FALSE(zip.Extract("a", target));
}

TEST(ZipArchive, OpenRefusesWhatIsNoArchive) {
  const TCraftedArchive good = CraftArchive({TCraftedEntry("a", Bytes("alpha"))}, Password);
  auto withEnd = [&](const std::function<void(TCraftedArchive&)>& damage) {
    TCraftedArchive copy = good;
    damage(copy);
    return copy.Bytes;
  };
  const size_t end = good.EndOffset;
  struct TCase {
    const char* What;
    std::vector<uint8_t> Bytes;
  };
  const TCase cases[] = {
      {"empty", {}},
      {"garbage", Bytes("This is certainly not a ZIP archive, just some text.")},
      {"end record cut short", {good.Bytes.begin(), good.Bytes.end() - 1}},
      {"only the local part", {good.Bytes.begin(), good.Bytes.begin() + good.CentralDirOffset}},
      {"directory cut off",
       {good.Bytes.begin() + static_cast<ptrdiff_t>(good.CentralDirOffset + 4), good.Bytes.end()}},
      {"more entries than the directory holds", withEnd([&](TCraftedArchive& a) {
         a.Put16(end + crafted::EndEntriesHere, 2);
         a.Put16(end + crafted::EndEntryCount, 2);
       })},
      {"entry count beyond the directory's size", withEnd([&](TCraftedArchive& a) {
         a.Put16(end + crafted::EndEntriesHere, 0xFFFF);
         a.Put16(end + crafted::EndEntryCount, 0xFFFF);
       })},
      {"directory offset past its end",
       withEnd([&](TCraftedArchive& a) { a.Put32(end + crafted::EndCdOffset, 0xFFFFFFF0u); })},
      {"directory size past its end", withEnd([&](TCraftedArchive& a) {
         a.Put32(end + crafted::EndCdSize, static_cast<uint32_t>(end + 1));
       })},
      {"comment longer than the bytes left",
       withEnd([&](TCraftedArchive& a) { a.Put16(end + crafted::EndCommentSize, 5); })},
      {"name runs past the directory", withEnd([&](TCraftedArchive& a) {
         a.Put16(a.CentralOffsets[0] + crafted::CentralNameSize, 0xFFFF);
       })},
      {"directory record signature",
       withEnd([&](TCraftedArchive& a) { a.Bytes[a.CentralDirOffset] = 'X'; })},
      {"split over volumes", withEnd([&](TCraftedArchive& a) { a.Put16(end + 4, 1); })},
  };
  for (const TCase& c : cases) {
    TZipArchive zip;
    EXPECT_THROW(zip.Open(c.Bytes), EZipError) << c.What;
    EXPECT_FALSE(zip.IsOpen()) << c.What;
    EXPECT_EQ(zip.Count(), 0) << c.What;
  }
}

TEST(ZipArchive, OpenRefusesZip64) {
  // A ZIP64 locator before the end record, whose fields point at the ZIP64 record.
  TCraftedArchive archive = CraftArchive({}, Password);
  std::vector<uint8_t> locator(zip_format::Zip64LocatorSize);
  locator[0] = 0x50;
  locator[1] = 0x4b;
  locator[2] = 0x06;
  locator[3] = 0x07;
  archive.Bytes.insert(archive.Bytes.begin(), locator.begin(), locator.end());
  archive.EndOffset += locator.size();
  archive.Put32(archive.EndOffset + crafted::EndCdOffset, 0xFFFFFFFFu);
  TZipArchive zip;
  EXPECT_THAT([&] { zip.Open(archive.Span()); },
              ::testing::ThrowsMessage<EZipError>(::testing::HasSubstr("ZIP64")));
}

TEST(ZipArchive, OpensArchivesWithCommentsAndNoEntries) {
  TCraftedArchive archive = CraftArchive({TCraftedEntry("a", Bytes("alpha"))}, Password);
  // A comment that holds an end record signature of its own.
  const std::string comment = std::string("PK\x05\x06", 4) + std::string(30, '!');
  archive.Put16(archive.EndOffset + crafted::EndCommentSize, static_cast<uint16_t>(comment.size()));
  archive.Bytes.insert(archive.Bytes.end(), comment.begin(), comment.end());
  TZipArchive zip;
  zip.SetPassword(Password);
  zip.Open(archive.Span());
  EXPECT_EQ(zip.ExtractBytes("a"), Bytes("alpha"));

  // The longest comment the format allows.
  archive.Bytes.resize(archive.EndOffset + zip_format::EndOfCentralDirSize);
  archive.Put16(archive.EndOffset + crafted::EndCommentSize, 0xFFFF);
  archive.Bytes.resize(archive.Bytes.size() + 0xFFFF, 'c');
  zip.Open(archive.Span());
  EXPECT_EQ(zip.ExtractBytes("a"), Bytes("alpha"));

  const TCraftedArchive empty = CraftArchive({}, Password);
  zip.Open(empty.Span());
  EXPECT_TRUE(zip.IsOpen());
  EXPECT_EQ(zip.Count(), 0);
  EXPECT_EQ(zip.IndexOf("a"), -1);
}

TEST(ZipArchive, FailedOpenClosesThePreviousArchive) {
  const TCraftedArchive archive = CraftArchive({TCraftedEntry("a", Bytes("alpha"))}, Password);
  TZipArchive zip;
  zip.SetPassword(Password);
  zip.Open(archive.Span());
  ASSERT_EQ(zip.IndexOf("a"), 0);
  EXPECT_THROW(zip.Open(std::span<const uint8_t>()), EZipError);
  EXPECT_FALSE(zip.IsOpen());
  EXPECT_EQ(zip.IndexOf("a"), -1);
  EXPECT_FALSE(zip.ExtractBytes("a").has_value());
}

TEST(ZipArchive, DamagedEntryWritesNothing) {
  // Each case damages the entry "victim" of a small archive; the directory
  // still reads, the victim yields nothing and its neighbour is unharmed.
  const std::vector<uint8_t> text = SampleText(20000);
  struct TCase {
    const char* What;
    uint16_t Method;
    std::function<void(TCraftedArchive&)> Damage;
  };
  const size_t v = 0; // the victim's index
  const TCase cases[] = {
      {"local header offset past the end", 0,
       [](TCraftedArchive& a) {
         a.Put32(a.CentralOffsets[v] + crafted::CentralLocalOffset, 0xFFFFFFF0u);
       }},
      {"local header offset inside the directory", 0,
       [](TCraftedArchive& a) {
         a.Put32(a.CentralOffsets[v] + crafted::CentralLocalOffset,
                 static_cast<uint32_t>(a.CentralDirOffset));
       }},
      {"local header cut by the directory", 0,
       [](TCraftedArchive& a) {
         a.Put32(a.CentralOffsets[v] + crafted::CentralLocalOffset,
                 static_cast<uint32_t>(a.CentralDirOffset - 10));
       }},
      {"local signature", 0, [](TCraftedArchive& a) { a.Bytes[a.LocalOffsets[v]] = 'X'; }},
      {"local name size past the end", 0,
       [](TCraftedArchive& a) { a.Put16(a.LocalOffsets[v] + crafted::LocalNameSize, 0xFFFF); }},
      {"local extra size past the end", 8,
       [](TCraftedArchive& a) { a.Put16(a.LocalOffsets[v] + crafted::LocalExtraSize, 0xFFFF); }},
      {"compressed size past the end", 0,
       [](TCraftedArchive& a) {
         a.Put32(a.CentralOffsets[v] + crafted::CentralCompressed, 0xFFFFFFFFu);
       }},
      {"compressed size reaching into the directory", 8,
       [](TCraftedArchive& a) {
         const uint32_t size = a.Get32(a.CentralOffsets[v] + crafted::CentralCompressed);
         a.Put32(a.CentralOffsets[v] + crafted::CentralCompressed,
                 size + static_cast<uint32_t>(a.CentralDirOffset - a.DataOffsets[v] - size + 1));
       }},
      {"compressed size shorter than the encryption header", 0,
       [](TCraftedArchive& a) { a.Put32(a.CentralOffsets[v] + crafted::CentralCompressed, 11); }},
      {"stored size differs from the data", 0,
       [](TCraftedArchive& a) {
         a.Put32(a.CentralOffsets[v] + crafted::CentralUncompressed, 19999);
       }},
      {"huge declared size", 8,
       [](TCraftedArchive& a) {
         a.Put32(a.CentralOffsets[v] + crafted::CentralUncompressed, 0xFFFFFFFEu);
       }},
      {"deflate yields more than declared", 8,
       [](TCraftedArchive& a) {
         a.Put32(a.CentralOffsets[v] + crafted::CentralUncompressed, 19999);
       }},
      {"deflate yields less than declared", 8,
       [](TCraftedArchive& a) {
         a.Put32(a.CentralOffsets[v] + crafted::CentralUncompressed, 20001);
       }},
      {"deflate stream cut short", 8,
       [](TCraftedArchive& a) {
         const uint32_t size = a.Get32(a.CentralOffsets[v] + crafted::CentralCompressed);
         a.Put32(a.CentralOffsets[v] + crafted::CentralCompressed, size - 40);
       }},
      {"data byte changed", 0, [](TCraftedArchive& a) { a.Bytes[a.DataOffsets[v] + 500] ^= 1; }},
      {"deflated byte changed", 8,
       [](TCraftedArchive& a) { a.Bytes[a.DataOffsets[v] + 200] ^= 0x10; }},
      {"CRC changed", 0,
       [](TCraftedArchive& a) { a.Put32(a.CentralOffsets[v] + crafted::CentralCrc, 0x7A000000u); }},
      {"unsupported method", 0,
       [](TCraftedArchive& a) { a.Put16(a.CentralOffsets[v] + crafted::CentralMethod, 12); }},
      {"strong encryption", 0,
       [](TCraftedArchive& a) { a.Put16(a.CentralOffsets[v] + crafted::CentralFlags, 0x0049); }},
  };
  for (const TCase& c : cases) {
    TCraftedArchive archive = CraftArchive({TCraftedEntry("victim", text).SetMethod(c.Method),
                                            TCraftedEntry("neighbour", Bytes("fine"))},
                                           Password);
    c.Damage(archive);
    TZipArchive zip;
    zip.SetPassword(Password);
    zip.Open(archive.Span());
    EXPECT_EQ(ExtractAfterPrefix(zip, "victim"), "before") << c.What;
    EXPECT_EQ(zip.ExtractBytes("neighbour"), Bytes("fine")) << c.What;
  }
}

TEST(ZipArchive, EntriesSharingDataAreReadIndependently) {
  // Two directory entries point at the same local data: both read it.
  TCraftedArchive archive = CraftArchive({TCraftedEntry("first", SampleText(4000)).SetMethod(8),
                                          TCraftedEntry("other", SampleText(4000)).SetMethod(8)},
                                         Password);
  archive.Put32(archive.CentralOffsets[1] + crafted::CentralLocalOffset,
                static_cast<uint32_t>(archive.LocalOffsets[0]));
  TZipArchive zip;
  zip.SetPassword(Password);
  zip.Open(archive.Span());
  EXPECT_EQ(zip.ExtractBytes("first"), SampleText(4000));
  EXPECT_EQ(zip.ExtractBytes("other"), SampleText(4000));
}

} // namespace
} // namespace tessera
