#include "functions/sys_utils.h"

#include "base/utf.h"
#include "platform/fake/fake_os_services.h"
#include "temp_dir.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>

namespace tessera {
namespace {

namespace fs = std::filesystem;
using testing::ReadBytes;
using testing::TTempDir;
using testing::WriteBytes;

// A path written with '/' in the system's own spelling.
std::string Native(std::string path) {
  std::replace(path.begin(), path.end(), '/', static_cast<char>(fs::path::preferred_separator));
  return path;
}

TEST(SysUtilsFormatByteSize, PicksTheUnitAboveEachPowerOf1024) {
  const struct {
    std::int64_t Bytes;
    const char* Text;
  } cases[] = {
      {0, "0 bytes"},
      {1, "1 bytes"},
      {1024, "1024 bytes"},
      {1025, "1 KB"},
      {1536, "1.5 KB"},
      {1280, "1.25 KB"},
      {10 * 1024 + 5, "10 KB"}, // 10.0049: rounds to a whole number
      {1048576, "1024 KB"},
      {1048577, "1 MB"},
      {5 * 1048576 + 1048576 / 10, "5.1 MB"},
      {1073741824, "1024 MB"},
      {1073741825, "1 GB"},
      {1099511627776LL, "1024 GB"},
      {9223372036854775807LL, "8589934592 GB"},
      {-5, "-5 bytes"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(TSysUtils::FormatByteSize(c.Bytes), c.Text) << c.Bytes;
}

TEST(SysUtilsPaths, ExpandFileNameRelBaseDirJoinsRelativeNamesAndResolvesDots) {
  const struct {
    const char* Name;
    const char* Base;
    const char* Expected;
  } cases[] = {
      {"file.txt", "/base/dir", "/base/dir/file.txt"}, {"../up.txt", "/base/dir", "/base/up.txt"},
      {"./a/./b/../c.txt", "/base", "/base/a/c.txt"},  {"../../../../x", "/base/dir", "/x"},
      {"/abs/./y.txt", "/base", "/abs/y.txt"},         {"sub/", "/base", "/base/sub/"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(TSysUtils::ExpandFileNameRelBaseDir(Native(c.Name), Native(c.Base)),
              Native(c.Expected))
        << c.Name;
}

TEST(SysUtilsPaths, GetParentDirPathIsAbsoluteWithATrailingDelimiter) {
  TTempDir dir;
  const std::string root = PathToUtf8(dir.Path());
  const std::string sep(1, static_cast<char>(fs::path::preferred_separator));
  EXPECT_EQ(TSysUtils::GetParentDirPath(root + Native("/a/b")), root + Native("/a/"));
  EXPECT_EQ(TSysUtils::GetParentDirPath(root + Native("/a/b/")), root + Native("/a/"));
  EXPECT_EQ(TSysUtils::GetParentDirPath(root + Native("/a/./b/../c")), root + Native("/a/"));
  // A relative path starts from the current folder.
  const std::string current = PathToUtf8(fs::current_path());
  EXPECT_EQ(TSysUtils::GetParentDirPath(Native("x/y")), current + Native("/x/"));
  // The root has no parent but itself.
  const std::string rootOfRoot = PathToUtf8(dir.Path().root_path());
  EXPECT_EQ(TSysUtils::GetParentDirPath(rootOfRoot), rootOfRoot);
}

TEST(SysUtilsFiles, RemoveUTFBoomFromFileDropsOnlyTheLeadingMark) {
  TTempDir dir;
  const std::string marked = dir.File("marked ñ.txt");
  WriteBytes(marked, {0xEF, 0xBB, 0xBF, 'h', 'i', 0xEF, 0xBB, 0xBF});
  EXPECT_TRUE(TSysUtils::RemoveUTFBoomFromFile(marked));
  EXPECT_EQ(ReadBytes(marked), (std::vector<uint8_t>{'h', 'i', 0xEF, 0xBB, 0xBF}));
  // Done once, nothing is left to remove.
  EXPECT_FALSE(TSysUtils::RemoveUTFBoomFromFile(marked));
  EXPECT_EQ(ReadBytes(marked).size(), 5u);

  const std::string onlyMark = dir.File("only.txt");
  WriteBytes(onlyMark, {0xEF, 0xBB, 0xBF});
  EXPECT_TRUE(TSysUtils::RemoveUTFBoomFromFile(onlyMark));
  EXPECT_TRUE(ReadBytes(onlyMark).empty());

  const std::string partial = dir.File("partial.txt");
  WriteBytes(partial, {0xEF, 0xBB});
  EXPECT_FALSE(TSysUtils::RemoveUTFBoomFromFile(partial));
  EXPECT_EQ(ReadBytes(partial).size(), 2u);

  EXPECT_FALSE(TSysUtils::RemoveUTFBoomFromFile(dir.File("missing.txt")));
  // No temporary file is left behind.
  int entries = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir.Path()))
    ++entries;
  EXPECT_EQ(entries, 3);
}

// A folder with two subfolders (one holding a file) and four files.
struct TFolderFixture {
  TTempDir Dir;
  TFolderFixture() {
    fs::create_directories(Dir.Path() / "beta" / "inner");
    fs::create_directories(Dir.Path() / "Alpha");
    WriteBytes(Dir.File("z.txt"), std::vector<uint8_t>(10));
    WriteBytes(Dir.File("a.TXT"), std::vector<uint8_t>(20));
    WriteBytes(Dir.File("notes.log"), std::vector<uint8_t>(30));
    WriteBytes(Dir.File("README"), std::vector<uint8_t>(40));
    WriteBytes(Dir.File("beta/inner/deep.bin"), std::vector<uint8_t>(500));
  }
  std::string Root() const { return PathToUtf8(Dir.Path()); }
  std::string In(const std::string& name) const { return Dir.File(name); }
};

TEST(SysUtilsFolders, GetDirectoryFilesListsFoldersThenMatchingFilesByName) {
  TFolderFixture folder;
  std::vector<std::string> list{"kept"};
  TSysUtils::GetDirectoryFiles(folder.Root(), true, list, "*.txt");
  EXPECT_EQ(list, (std::vector<std::string>{"kept", folder.In("Alpha"), folder.In("beta"),
                                            folder.In("a.TXT"), folder.In("z.txt")}));

  list.clear();
  TSysUtils::GetDirectoryFiles(folder.Root(), false, list, "*.*");
  EXPECT_EQ(list, (std::vector<std::string>{folder.In("a.TXT"), folder.In("notes.log"),
                                            folder.In("README"), folder.In("z.txt")}));

  list.clear();
  TSysUtils::GetDirectoryFiles(folder.Root(), false, list, "?.t*");
  EXPECT_EQ(list, (std::vector<std::string>{folder.In("a.TXT"), folder.In("z.txt")}));

  list.clear();
  TSysUtils::GetDirectoryFiles(folder.In("missing"), true, list, "*.*");
  EXPECT_TRUE(list.empty());
}

TEST(SysUtilsFolders, SizesAndCounts) {
  TFolderFixture folder;
  EXPECT_EQ(TSysUtils::GetSizeOfFile(folder.In("notes.log")), 30);
  EXPECT_EQ(TSysUtils::GetSizeOfFile(folder.In("missing")), -1);
  EXPECT_EQ(TSysUtils::GetSizeOfFile(folder.In("beta")), -1);

  EXPECT_EQ(TSysUtils::GetSizeOfDir(folder.Root(), false), 100);
  EXPECT_EQ(TSysUtils::GetSizeOfDir(folder.Root(), true), 600);
  EXPECT_EQ(TSysUtils::GetSizeOfDir(folder.In("missing"), true), 0);

  EXPECT_EQ(TSysUtils::GetSubdirectoriesCount(folder.Root()), 2);
  EXPECT_EQ(TSysUtils::GetSubdirectoriesCount(folder.In("Alpha")), 0);
  EXPECT_EQ(TSysUtils::GetSubdirectoriesCount(folder.In("missing")), 0);
}

TEST(SysUtilsFiles, FilesHaveSameDateTimeComparesLastWriteTimes) {
  TTempDir dir;
  const std::string a = dir.File("a");
  const std::string b = dir.File("b");
  WriteBytes(a, {1});
  WriteBytes(b, {2});
  const auto when = fs::last_write_time(dir.Path() / "a");
  fs::last_write_time(dir.Path() / "b", when);
  EXPECT_TRUE(TSysUtils::FilesHaveSameDateTime(a, b));
  fs::last_write_time(dir.Path() / "b", when - std::chrono::seconds(10));
  EXPECT_FALSE(TSysUtils::FilesHaveSameDateTime(a, b));
  EXPECT_FALSE(TSysUtils::FilesHaveSameDateTime(a, dir.File("missing")));
}

TEST(SysUtilsValidPath, WalksFromTheLastComponentToTheFirst) {
  TTempDir dir;
  WriteBytes(dir.File("file"), {1});
  FakeOsServices os;
  const std::string root = PathToUtf8(dir.Path());

  const std::string fresh = root + Native("/new/sub/name.txt");
  EXPECT_TRUE(TSysUtils::IsValidFilePath(os, fresh));
  ASSERT_GE(os.PathNameChecks.size(), 3u);
  EXPECT_EQ(os.PathNameChecks[0], fresh);
  EXPECT_EQ(os.PathNameChecks[1], root + Native("/new/sub"));
  EXPECT_EQ(os.PathNameChecks[2], root + Native("/new"));

  // A component the system refuses, wherever it stands.
  os.RejectedPathNames.insert(root + Native("/bad"));
  EXPECT_FALSE(TSysUtils::IsValidFilePath(os, root + Native("/bad/name.txt")));
  // An existing file where the path needs a folder; the file itself is fine.
  EXPECT_FALSE(TSysUtils::IsValidFilePath(os, root + Native("/file/name.txt")));
  EXPECT_TRUE(TSysUtils::IsValidFilePath(os, root + Native("/file")));
  EXPECT_TRUE(TSysUtils::IsValidFilePath(os, "relative.txt"));
  EXPECT_FALSE(TSysUtils::IsValidFilePath(os, ""));
}

// Records the loop's Quit; nothing here runs a loop.
struct TRecordingLoop final : EventLoop {
  int Quits = 0;
  void Run() override {}
  void Quit() override { ++Quits; }
  void Post(std::function<void()>) override {}
  void ProcessMessages() override {}
  bool IsUiThread() const override { return true; }
};

TEST(SysUtilsShell, RestartApplicationFreesTheInstanceMarkerAndEndsOnlyAfterTheNewStart) {
  FakeOsServices os;
  os.ExecutablePath = "C:\\Apps\\app.exe";
  ASSERT_FALSE(os.CreateSingleInstanceMarker("demo.app"));
  TRecordingLoop loop;
  EXPECT_TRUE(TSysUtils::RestartApplication(os, loop));
  ASSERT_EQ(os.Launches.size(), 1u);
  EXPECT_EQ(os.Launches[0].File, "C:\\Apps\\app.exe");
  EXPECT_EQ(os.Launches[0].Arguments, "");
  EXPECT_EQ(loop.Quits, 1);
  // The new process finds no instance running.
  EXPECT_EQ(os.HeldMarkers.count("demo.app"), 0u);

  // A start that fails keeps this instance, marker included.
  ASSERT_FALSE(os.CreateSingleInstanceMarker("demo.app"));
  os.ShellExecSucceeds = false;
  EXPECT_FALSE(TSysUtils::RestartApplication(os, loop));
  EXPECT_EQ(loop.Quits, 1);
  EXPECT_EQ(os.HeldMarkers.count("demo.app"), 1u);
  EXPECT_EQ(os.OwnMarker, "demo.app");
}

TEST(SysUtilsShell, EditWithMSPaintQuotesThePictureAndNeedsAPaintProgram) {
  FakeOsServices os;
  EXPECT_FALSE(TSysUtils::EditWithMSPaint(os, "C:\\pics\\a b.png"));
  EXPECT_TRUE(os.Launches.empty());

  os.PaintProgramPath = "C:\\Windows\\system32\\mspaint.exe";
  EXPECT_TRUE(TSysUtils::EditWithMSPaint(os, "C:\\pics\\a b.png"));
  ASSERT_EQ(os.Launches.size(), 1u);
  EXPECT_EQ(os.Launches[0].File, os.PaintProgramPath);
  EXPECT_EQ(os.Launches[0].Arguments, "\"C:\\pics\\a b.png\"");
}

TEST(SysUtilsIcons, ExtractExeIconSizesTheBitmapToTheIconOrLeavesItAlone) {
  FakeOsServices os;
  os.FileIcons["C:\\app\\tool.exe"] = 32;
  TSysUtils::TBitmap bitmap;
  bitmap.Width = 7;
  EXPECT_FALSE(TSysUtils::ExtractExeIcon(os, "C:\\app\\notes.txt", bitmap));
  EXPECT_EQ(bitmap.Width, 7);
  ASSERT_TRUE(TSysUtils::ExtractExeIcon(os, "C:\\app\\tool.exe", bitmap));
  EXPECT_EQ(bitmap.Width, 32);
  EXPECT_EQ(bitmap.Height, 32);
  EXPECT_EQ(bitmap.Pixels.size(), 32u * 32u * 4u);
}

TEST(SysUtilsNames, UserNameFallsBackToUnknown) {
  FakeOsServices os;
  os.SignedInUserName = "ana";
  EXPECT_EQ(TSysUtils::GetUserFromWindows(os), "ana");
  os.SignedInUserName.clear();
  EXPECT_EQ(TSysUtils::GetUserFromWindows(os), "Unknown");
}

} // namespace
} // namespace tessera
