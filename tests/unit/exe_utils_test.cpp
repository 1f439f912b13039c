#include "package/exe_utils.h"

#include "base/exceptions.h"
#include "image_fixtures.h"
#include "platform/fake/fake_os_services.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

namespace tessera {
namespace {

using testing::MakePe;
using testing::ReadBytes;
using testing::TTempDir;
using testing::WriteBytes;

class ExeUtilsTest : public ::testing::Test {
protected:
  // Writes a PE image with `appended` extra bytes after its last section
  // and makes it the "running" executable.
  std::vector<uint8_t> MakeExe(size_t appended) {
    std::vector<uint8_t> exe = MakePe({{0x400, 0x200}, {0x600, 0x400}});
    std::vector<uint8_t> package(appended);
    for (size_t i = 0; i < appended; ++i) {
      package[i] = static_cast<uint8_t>(i * 7 + 3);
    }
    exe.insert(exe.end(), package.begin(), package.end());
    WriteBytes(ExePath, exe);
    Os.ExecutablePath = ExePath;
    return package;
  }

  TTempDir Dir;
  std::string ExePath = Dir.File("app \xC3\xBC.exe");
  FakeOsServices Os;
  TExeUtils Utils{Os};
  std::vector<int64_t> Max, Pos;

  void RecordProgress() {
    Utils.OnProgressMax = [this](TExeUtils&, int64_t n) { Max.push_back(n); };
    Utils.OnProgressPos = [this](TExeUtils&, int64_t n) { Pos.push_back(n); };
  }
};

TEST_F(ExeUtilsTest, AttachedDataIsWhatFollowsTheImage) {
  MakeExe(0);
  EXPECT_FALSE(Utils.ExeHasAttachedStub());
  const auto one = MakeExe(1);
  EXPECT_TRUE(Utils.ExeHasAttachedStub());
  TMemoryStream target;
  Utils.GetZipFromExe(target);
  EXPECT_EQ(target.Bytes(), one);
  EXPECT_EQ(target.Position(), 1);
}

TEST_F(ExeUtilsTest, CopiesInChunksAndReportsProgress) {
  struct TCase {
    size_t Size;
    std::vector<int64_t> Positions;
  };
  for (const TCase& c :
       {TCase{10240, {10240}}, TCase{10241, {10240, 10241}}, TCase{25000, {10240, 20480, 25000}}}) {
    const auto package = MakeExe(c.Size);
    Max.clear();
    Pos.clear();
    RecordProgress();
    TMemoryStream target;
    target.Write("stale bytes that the copy overwrites from position 0");
    Utils.GetZipFromExe(target);
    EXPECT_EQ(std::vector<uint8_t>(target.Bytes().begin(), target.Bytes().begin() + c.Size),
              package);
    EXPECT_EQ(target.Position(), int64_t(c.Size));
    EXPECT_EQ(Max, std::vector<int64_t>{int64_t(c.Size)});
    EXPECT_EQ(Pos, c.Positions);
  }
}

TEST_F(ExeUtilsTest, ExtractWritesThePackageToAFileReplacingOldContent) {
  const auto package = MakeExe(30000);
  const std::string zip = Dir.File("out.zip");
  WriteBytes(zip, std::vector<uint8_t>(50000, 1));
  Utils.ExtractZipFromExe(zip);
  EXPECT_EQ(ReadBytes(zip), package);
}

TEST_F(ExeUtilsTest, AFileWithoutPackageEndsTheProcessWithAMessage) {
  MakeExe(0);
  TMemoryStream target;
  try {
    Utils.GetZipFromExe(target);
    FAIL() << "expected the process to end";
  } catch (const TFakeProcessExit& exit) {
    EXPECT_EQ(exit.Code, 0);
  }
  ASSERT_EQ(Os.MessageBoxes.size(), 1u);
  EXPECT_EQ(Os.MessageBoxes[0].Text, "This is not a valid Windows application");
  EXPECT_EQ(Os.MessageBoxes[0].Caption, "Error");
  EXPECT_EQ(target.Size(), 0);

  // The file target is not even created.
  const std::string zip = Dir.File("never.zip");
  EXPECT_THROW(Utils.ExtractZipFromExe(zip), TFakeProcessExit);
  EXPECT_EQ(TExeUtils::GetFileSizeByPath(zip), -1);
}

TEST_F(ExeUtilsTest, TruncatedImageHasNoPackageAndCopiesNothing) {
  auto exe = MakePe({{0x400, 0x200}, {0x600, 0x400}});
  exe.resize(0x800);
  WriteBytes(ExePath, exe);
  Os.ExecutablePath = ExePath;
  EXPECT_FALSE(Utils.ExeHasAttachedStub());
  TMemoryStream target;
  Utils.GetZipFromExe(target);
  EXPECT_EQ(target.Size(), 0);
}

TEST_F(ExeUtilsTest, NonImagesAndMissingFiles) {
  WriteBytes(ExePath, std::vector<uint8_t>(5000, 'x'));
  Os.ExecutablePath = ExePath;
  EXPECT_FALSE(Utils.ExeHasAttachedStub());
  TMemoryStream target;
  EXPECT_THROW(Utils.GetZipFromExe(target), TFakeProcessExit);

  Os.ExecutablePath = Dir.File("missing.exe");
  EXPECT_THROW(Utils.ExeHasAttachedStub(), EFileError);
  EXPECT_THROW(Utils.GetZipFromExe(target), EFileError);
  EXPECT_EQ(TExeUtils::GetFileSizeByPath(Os.ExecutablePath), -1);
}

TEST_F(ExeUtilsTest, AppendThenCopyOutGivesTheSameBytes) {
  const auto image = MakePe({{0x400, 0x200}});
  WriteBytes(ExePath, image);
  std::vector<uint8_t> zip(20481);
  for (size_t i = 0; i < zip.size(); ++i) {
    zip[i] = static_cast<uint8_t>(i ^ (i >> 8));
  }
  WriteBytes(Dir.File("app.zip"), zip);
  RecordProgress();
  Utils.AppendZipToExe(Dir.File("app.zip"), ExePath);
  EXPECT_EQ(Max, std::vector<int64_t>{20481});
  EXPECT_EQ(Pos, (std::vector<int64_t>{10240, 20480, 20481}));

  TMemoryStream target;
  Utils.GetZipFromExe(ExePath, target);
  EXPECT_EQ(target.Bytes(), zip);
  EXPECT_EQ(TExeUtils::GetFileSizeByPath(ExePath), int64_t(image.size() + zip.size()));
  EXPECT_THROW(Utils.AppendZipToExe(Dir.File("missing.zip"), ExePath), EFileError);
}

TEST(ExeUtilsRunning, TheTestProgramItselfCarriesNoPackage) {
  // A real image built by the platform's linker: its headers must account
  // for every byte of its file (the Windows build is stripped for this).
  const auto os = CreateOsServices();
  TExeUtils utils(*os);
  ASSERT_GT(TExeUtils::GetFileSizeByPath(os->GetExecutablePath()), 0);
  EXPECT_FALSE(utils.ExeHasAttachedStub());
  EXPECT_EQ(TExeUtils::GetImageEndByPath(os->GetExecutablePath()),
            TExeUtils::GetFileSizeByPath(os->GetExecutablePath()));
}

} // namespace
} // namespace tessera
