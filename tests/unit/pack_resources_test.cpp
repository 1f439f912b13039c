#include "tools/pack/packager.h"

#include "base/stream.h"
#include "package/exe_resources.h"
#include "package/image_end.h"
#include "pe_test_image.h"
#include "platform/api/os_services.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

namespace tessera {
namespace {

using testing::ReadBytes;
using testing::TTempDir;
using testing::WriteBytes;

// tessera-pack --icon and the version options on a runtime image with code,
// an icon, a version resource and relocations, as the linker leaves it.
class PackResourcesTest : public ::testing::Test {
public:
  PackResourcesTest() {
    TResourceList resources;
    UpdateExeInfo(resources, {"Tessera", TVersionNumber{2026, 1, 0, 0}, std::nullopt,
                              "Tessera runtime", std::nullopt, "tessera-runtime.exe"});
    ChangeExeIcon(resources, {{32, 32, 0, 1, 32, std::vector<uint8_t>(64, 1)}});
    const std::vector<uint8_t> rsrc = BuildResourceSection(resources, testing::TestSectionRva(1));
    WriteBytes(Dir.File("runtime.exe"),
               testing::MakeTestPe({{".text", std::vector<uint8_t>(200, 0xC3), 0x60000020},
                                    {".rsrc", rsrc, 0xC0000040},
                                    {".reloc", testing::TestRelocations(0x1000), 0x42000040}},
                                   {{2, 1, static_cast<uint32_t>(rsrc.size())}, {5, 2, 12}}));
    std::filesystem::create_directories(PathFromUtf8(Dir.File("app")));
    WriteBytes(Dir.File("app/index.html"), {'h', 'i'});
    const std::string ini = "[App]\nID=demo\nName=Demo\nDirName=web\n";
    WriteBytes(Dir.File("qel.ini"), std::vector<uint8_t>(ini.begin(), ini.end()));
  }

  std::vector<std::string> Args(std::vector<std::string> extra) const {
    std::vector<std::string> args = {
        "--runtime",  Dir.File("runtime.exe"), "--app",    Dir.File("app"),
        "--settings", Dir.File("qel.ini"),     "--output", Dir.File("Notes.exe")};
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
  }

  int Run(const std::vector<std::string>& args) {
    Out.str("");
    Err.str("");
    return RunPackTool(args, Out, Err, Os);
  }

  // The image in front of the package of a packed file.
  std::vector<uint8_t> ImageOf(const std::string& path) {
    std::vector<uint8_t> bytes = ReadBytes(path);
    TMemoryStream stream(bytes);
    const auto end = GetImageEnd(stream);
    EXPECT_TRUE(end && *end < static_cast<int64_t>(bytes.size()));
    bytes.resize(static_cast<size_t>(end.value_or(0)));
    return bytes;
  }

  TTempDir Dir;
  std::unique_ptr<OsServices> OsOwner = CreateOsServices();
  OsServices& Os = *OsOwner;
  std::ostringstream Out;
  std::ostringstream Err;
};

TEST_F(PackResourcesTest, WritesTheIconAndVersionBeforeThePackage) {
  std::vector<uint8_t> ico = {0, 0, 1, 0, 1, 0, 16, 16, 0, 0, 1, 0, 32, 0};
  testing::Put(ico, 14, 48, 4);
  testing::Put(ico, 18, 22, 4);
  std::vector<uint8_t> bitmap(48, 0x33);
  testing::Put(bitmap, 0, 40, 4);
  testing::Put(bitmap, 12, 1, 2);
  ico.insert(ico.end(), bitmap.begin(), bitmap.end());
  WriteBytes(Dir.File("app.ico"), ico);

  ASSERT_EQ(
      Run(Args({"--icon", Dir.File("app.ico"), "--product-name", "Notes", "--product-version=3.1.4",
                "--company", "Example", "--copyright", "(c) Example"})),
      0)
      << Err.str();

  const std::vector<uint8_t> image = ImageOf(Dir.File("Notes.exe"));
  const TResourceList resources = ReadImageResources(image);
  bool sawVersion = false;
  bool sawIcon = false;
  for (const TResource& resource : resources) {
    if (resource.Type == TResourceId::Of(kResourceVersion)) {
      sawVersion = true;
      const TVersionInfo info = ParseVersionInfo(resource.Data);
      EXPECT_EQ(info.String(u"ProductName"), u"Notes");
      EXPECT_EQ(info.String(u"FileDescription"), u"Notes");
      EXPECT_EQ(info.String(u"CompanyName"), u"Example");
      EXPECT_EQ(info.String(u"LegalCopyright"), u"(c) Example");
      EXPECT_EQ(info.String(u"ProductVersion"), u"3.1.4.0");
      EXPECT_EQ(info.String(u"OriginalFilename"), u"Notes.exe");
      EXPECT_EQ(info.ProductVersion(), (TVersionNumber{3, 1, 4, 0}));
    }
    if (resource.Type == TResourceId::Of(kResourceIcon)) {
      sawIcon = true;
      EXPECT_EQ(resource.Data, bitmap);
    }
  }
  EXPECT_TRUE(sawVersion && sawIcon);

  // The package behind the rewritten image reads back.
  const TPackageListing listing = ListPackage(Dir.File("Notes.exe"));
  EXPECT_EQ(listing.ImageSize, static_cast<int64_t>(image.size()));
  ASSERT_EQ(listing.Entries.size(), 2u);
  EXPECT_EQ(listing.Entries[1].Name, "web/index.html");
  EXPECT_TRUE(Dir.Names() ==
              (std::vector<std::string>{"Notes.exe", "app", "app.ico", "qel.ini", "runtime.exe"}));
}

TEST_F(PackResourcesTest, WithoutResourceOptionsTheRuntimeIsCopiedAsItIs) {
  ASSERT_EQ(Run(Args({})), 0) << Err.str();
  EXPECT_EQ(ImageOf(Dir.File("Notes.exe")), ReadBytes(Dir.File("runtime.exe")));
}

TEST_F(PackResourcesTest, RefusesBadIconsVersionsAndRuntimesAndWritesNothing) {
  WriteBytes(Dir.File("text.ico"), {'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'c', 'o', 'n'});
  WriteBytes(Dir.File("linux-runtime"), testing::MakeElf(true, false, {{0, 120, 1}}, {}, 0));
  const struct {
    std::vector<std::string> Extra;
    int ExitCode;
    const char* Words;
  } cases[] = {
      {{"--icon", Dir.File("missing.ico")}, 1, "is not a file"},
      {{"--icon", Dir.File("text.ico")}, 1, "is neither an icon file (.ico) nor a PNG image"},
      {{"--product-version", "1.2.x"}, 1, "is not a version"},
      {{"--product-version", "1.2.3.4.5"}, 1, "is not a version"},
      {{"--product-version", "65536"}, 1, "is not a version"},
      {{"--company", ""}, 2, "--company needs a value"},
      {{"--description"}, 2, "--description needs a value"},
      {{"--copyright", "a", "--copyright", "b"}, 2, "given twice"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Words);
    EXPECT_EQ(Run(Args(c.Extra)), c.ExitCode);
    EXPECT_NE(Err.str().find(c.Words), std::string::npos) << Err.str();
    EXPECT_TRUE(Dir.Names() == (std::vector<std::string>{"app", "linux-runtime", "qel.ini",
                                                         "runtime.exe", "text.ico"}));
  }
  std::vector<std::string> args = Args({"--product-name", "Notes"});
  args[1] = Dir.File("linux-runtime");
  EXPECT_EQ(Run(args), 1);
  EXPECT_NE(Err.str().find("is a Linux image, which has no version resource"), std::string::npos)
      << Err.str();
  EXPECT_FALSE(std::filesystem::exists(PathFromUtf8(Dir.File("Notes.exe"))));
}

} // namespace
} // namespace tessera
