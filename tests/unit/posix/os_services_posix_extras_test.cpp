#include "platform/posix/os_services_posix.h"

#include "temp_dir.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <unistd.h>

namespace tessera {
namespace {

namespace fs = std::filesystem;
using testing::ReadBytes;
using testing::TTempDir;
using testing::WriteBytes;

std::string ReadText(const std::string& path) {
  std::ifstream in(path);
  std::string text;
  std::getline(in, text);
  return text;
}

TEST(PosixOsServicesExtras, ExecAndWaitReturnsTheExitCodeAndZeroWhenNothingStarted) {
  PosixOsServices os;
  EXPECT_EQ(os.ExecAndWait("/bin/sh -c \"exit 7\""), 7u);
  // Quotes keep blanks inside one argument: $1 is "a b", so one argument.
  EXPECT_EQ(os.ExecAndWait("/bin/sh -c \"[ $# -eq 1 ]\" zero \"a b\""), 0u);
  EXPECT_EQ(os.ExecAndWait("/bin/sh -c \"[ $# -eq 1 ]\" zero a b"), 1u);
  EXPECT_EQ(os.ExecAndWait("/bin/sh -c \"kill -9 $$\""), 128u + 9u);
  EXPECT_EQ(os.ExecAndWait("/no/such/program --flag"), 0u);
  EXPECT_EQ(os.ExecAndWait(""), 0u);
}

TEST(PosixOsServicesExtras, ExecCmdStartsInAProcessGroupOfItsOwn) {
  TTempDir dir;
  PosixOsServices os;
  const std::string groupFile = dir.File("group");
  ASSERT_TRUE(os.ExecCmd("/bin/sh -c \"cut -d' ' -f5 /proc/$$/stat > '" + groupFile + "'\"", true));
  // Waited for: the file is complete now.
  const std::string group = ReadText(groupFile);
  ASSERT_FALSE(group.empty());
  EXPECT_NE(group, std::to_string(getpgrp()));

  const std::string laterFile = dir.File("later");
  ASSERT_TRUE(os.ExecCmd("/bin/sh -c \"echo done > '" + laterFile + "'\"", false));
  for (int i = 0; i < 250 && ReadText(laterFile) != "done"; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(ReadText(laterFile), "done");

  EXPECT_FALSE(os.ExecCmd("/no/such/program", false));
  EXPECT_FALSE(os.ExecCmd("/no/such/program", true));
}

TEST(PosixOsServicesExtras, CopyFileToReplacesCopiesIntoFoldersAndKeepsASelfCopyWhole) {
  TTempDir dir;
  PosixOsServices os;
  WriteBytes(dir.File("a.txt"), {'n', 'e', 'w'});
  WriteBytes(dir.File("b.txt"), {'o', 'l', 'd', '!'});
  fs::create_directories(dir.Path() / "into");

  EXPECT_TRUE(os.CopyFileTo(dir.File("a.txt"), dir.File("b.txt")));
  EXPECT_EQ(ReadBytes(dir.File("b.txt")), ReadBytes(dir.File("a.txt")));
  EXPECT_TRUE(os.CopyFileTo(dir.File("a.txt"), dir.File("into")));
  EXPECT_EQ(ReadBytes(dir.File("into/a.txt")).size(), 3u);

  EXPECT_FALSE(os.CopyFileTo(dir.File("a.txt"), dir.File("a.txt")));
  EXPECT_EQ(ReadBytes(dir.File("a.txt")).size(), 3u);
  EXPECT_FALSE(os.CopyFileTo(dir.File("missing"), dir.File("c.txt")));
  EXPECT_FALSE(os.CopyFileTo(dir.File("into"), dir.File("c.txt")));
  EXPECT_FALSE(os.CopyFileTo(dir.File("a.txt"), dir.File("no/such/folder/c.txt")));
}

TEST(PosixOsServicesExtras, CopyDirectoryToCopiesTheTreeAsOrIntoTheTarget) {
  TTempDir dir;
  PosixOsServices os;
  fs::create_directories(dir.Path() / "src" / "sub");
  WriteBytes(dir.File("src/sub/f.bin"), {1, 2, 3});
  WriteBytes(dir.File("src/top.txt"), {4});

  // A new name: the copy takes it.
  EXPECT_TRUE(os.CopyDirectoryTo(dir.File("src"), dir.File("copy")));
  EXPECT_EQ(ReadBytes(dir.File("copy/sub/f.bin")).size(), 3u);
  EXPECT_EQ(ReadBytes(dir.File("copy/top.txt")).size(), 1u);
  // An existing folder: the copy goes inside it, and again replaces files.
  fs::create_directories(dir.Path() / "shelf");
  EXPECT_TRUE(os.CopyDirectoryTo(dir.File("src") + "/", dir.File("shelf")));
  EXPECT_TRUE(os.CopyDirectoryTo(dir.File("src"), dir.File("shelf")));
  EXPECT_EQ(ReadBytes(dir.File("shelf/src/sub/f.bin")).size(), 3u);

  EXPECT_FALSE(os.CopyDirectoryTo(dir.File("src"), dir.File("src/sub/deeper")));
  EXPECT_FALSE(fs::exists(dir.Path() / "src" / "sub" / "deeper"));
  EXPECT_FALSE(os.CopyDirectoryTo(dir.File("missing"), dir.File("other")));
}

TEST(PosixOsServicesExtras, GetLnkFilePathReadsLinksAndDesktopEntries) {
  TTempDir dir;
  PosixOsServices os;
  fs::create_directories(dir.Path() / "docs");
  WriteBytes(dir.File("docs/target.txt"), {1});
  fs::create_symlink("docs/target.txt", dir.Path() / "link");
  EXPECT_EQ(os.GetLnkFilePath(dir.File("link")), dir.File("docs/target.txt"));

  std::ofstream(dir.File("app.desktop")) << "[Other]\nExec=/wrong\n[Desktop Entry]\n"
                                            "Type=Application\nName=App\n"
                                            "Exec = \"/opt/my app/run\" --flag %U\n";
  EXPECT_EQ(os.GetLnkFilePath(dir.File("app.desktop")), "/opt/my app/run");
  std::ofstream(dir.File("site.desktop")) << "[Desktop Entry]\nType=Link\nURL=https://x.test/\n";
  EXPECT_EQ(os.GetLnkFilePath(dir.File("site.desktop")), "https://x.test/");

  EXPECT_EQ(os.GetLnkFilePath(dir.File("docs/target.txt")), "");
  EXPECT_EQ(os.GetLnkFilePath(dir.File("missing.desktop")), "");
}

TEST(PosixOsServicesExtras, NamesFoldersAndKeys) {
  PosixOsServices os;
  EXPECT_FALSE(os.GetComputerNetName().empty());
  EXPECT_FALSE(os.GetSignedInUserName().empty());
  EXPECT_EQ(os.GetProgramFilesDirPath(), "/opt/");
  EXPECT_EQ(os.GetSystemAppsDirPath(), "/usr/share/applications/");
  EXPECT_FALSE(os.PressKey(0x0D));
  EXPECT_FALSE(os.IsPathNameRejected("/no/such/place/file.txt"));
  EXPECT_TRUE(os.IsPathNameRejected("/tmp/" + std::string(300, 'x')));
}

TEST(PosixOsServicesExtras, PaintProgramIsLookedUpOnThePath) {
  TTempDir dir;
  PosixOsServices os;
  const char* saved = std::getenv("PATH");
  const std::string savedPath = saved != nullptr ? saved : "";
  setenv("PATH", PathToUtf8(dir.Path()).c_str(), 1);
  EXPECT_EQ(os.GetPaintProgramPath(), "");
  WriteBytes(dir.File("pinta"), {'#', '!'});
  fs::permissions(dir.Path() / "pinta", fs::perms::owner_all);
  EXPECT_EQ(os.GetPaintProgramPath(), dir.File("pinta"));
  setenv("PATH", savedPath.c_str(), 1);
}

} // namespace
} // namespace tessera
