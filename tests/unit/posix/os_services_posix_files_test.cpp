// Linux-only behaviour of the file services: a file's content is replaced in
// one step, so a failing write leaves the old file, and what is not a
// regular file is refused without waiting; links are removed and listed,
// never entered.
#include "platform/api/os_services.h"

#include "functions/folder_walk.h"

#include "temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tessera {
namespace {

using testing::ReadText;
using testing::TTempDir;

void WriteText(const std::string& path, const std::string& text) {
  testing::WriteBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

mode_t ModeOf(const std::string& path) {
  struct stat info {};
  EXPECT_EQ(stat(path.c_str(), &info), 0) << path;
  return info.st_mode & 07777;
}

// Limits the size of files this process may write, as a full disk or a quota
// would, and lets the write fail with EFBIG instead of a signal.
class TFileSizeLimit {
public:
  explicit TFileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &FOld);
    FOldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = FOld;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~TFileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &FOld);
    std::signal(SIGXFSZ, FOldHandler);
  }
  TFileSizeLimit(const TFileSizeLimit&) = delete;
  TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;

private:
  rlimit FOld{};
  void (*FOldHandler)(int) = nullptr;
};

class PosixFileServices : public ::testing::Test {
protected:
  std::unique_ptr<OsServices> Os = CreateOsServices();
  TTempDir Dir;
};

TEST_F(PosixFileServices, AReplacedFileKeepsItsModeAndNothingElseStays) {
  const std::string file = Dir.File("notes.txt");
  WriteText(file, "old content");
  ASSERT_EQ(chmod(file.c_str(), 0640), 0);
  ASSERT_TRUE(Os->SaveBytesToFile(file, "new"));
  EXPECT_EQ(ReadText(file), "new");
  EXPECT_EQ(ModeOf(file), 0640u);
  EXPECT_EQ(Dir.Names(), std::vector<std::string>{"notes.txt"});

  // A new file gets the mode every new file gets.
  const mode_t mask = umask(022);
  umask(mask);
  ASSERT_TRUE(Os->SaveBytesToFile(Dir.File("fresh.txt"), "x"));
  EXPECT_EQ(ModeOf(Dir.File("fresh.txt")), 0666u & ~mask);
}

TEST_F(PosixFileServices, AWriteThatFailsLeavesTheOldFileWhole) {
  const std::string file = Dir.File("data.json");
  WriteText(file, "the user's data");
  {
    TFileSizeLimit limit(4);
    EXPECT_FALSE(Os->SaveBytesToFile(file, "more than four bytes"));
  }
  EXPECT_EQ(Os->LastSystemErrorText(), "File too large");
  EXPECT_EQ(ReadText(file), "the user's data");
  EXPECT_EQ(Dir.Names(), std::vector<std::string>{"data.json"});
  // Nor is anything left of a new file that could not be written whole.
  {
    TFileSizeLimit limit(4);
    EXPECT_FALSE(Os->SaveBytesToFile(Dir.File("new.json"), "more than four bytes"));
  }
  EXPECT_EQ(Dir.Names(), std::vector<std::string>{"data.json"});
}

TEST_F(PosixFileServices, ALinkIsFollowedAndStaysALink) {
  std::filesystem::create_directories(Dir.Path() / "real");
  const std::string target = Dir.File("real/target.txt");
  WriteText(target, "old");
  std::filesystem::create_symlink("real/target.txt", Dir.Path() / "link.txt");
  ASSERT_TRUE(Os->SaveBytesToFile(Dir.File("link.txt"), "through the link"));
  EXPECT_TRUE(std::filesystem::is_symlink(Dir.Path() / "link.txt"));
  EXPECT_EQ(ReadText(target), "through the link");

  // A link to a file not yet made makes it.
  std::filesystem::create_symlink("real/later.txt", Dir.Path() / "later.txt");
  ASSERT_TRUE(Os->SaveBytesToFile(Dir.File("later.txt"), "made"));
  EXPECT_TRUE(std::filesystem::is_symlink(Dir.Path() / "later.txt"));
  EXPECT_EQ(ReadText(Dir.File("real/later.txt")), "made");
}

TEST_F(PosixFileServices, WhatIsNoRegularFileIsRefusedWithoutWaiting) {
  // Opening a pipe nobody reads for writing would wait for ever.
  const std::string pipe = Dir.File("pipe");
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  EXPECT_FALSE(Os->SaveBytesToFile(pipe, "x"));
  EXPECT_NE(Os->LastSystemErrorText().find("regular file"), std::string::npos);
  EXPECT_EQ(std::filesystem::status(pipe).type(), std::filesystem::file_type::fifo);

  EXPECT_FALSE(Os->SaveBytesToFile("/dev/null", "x"));
  EXPECT_FALSE(Os->SaveBytesToFile(Dir.File(""), "x"));
  EXPECT_EQ(Os->LastSystemErrorText(), "Is a directory");
}

TEST_F(PosixFileServices, DeletingALinkRemovesTheLinkAlone) {
  namespace fs = std::filesystem;
  fs::create_directories(Dir.Path() / "target" / "inner");
  WriteText(Dir.File("target/keep.txt"), "kept");
  fs::create_directory_symlink("target", Dir.Path() / "link");
  // With the separator the path names the folder behind the link.
  EXPECT_TRUE(Os->DeleteDirectory(Dir.File("link") + "/"));
  EXPECT_FALSE(fs::exists(fs::symlink_status(Dir.Path() / "link")));
  EXPECT_EQ(ReadText(Dir.File("target/keep.txt")), "kept");
  EXPECT_TRUE(fs::is_directory(Dir.Path() / "target" / "inner"));

  // A folder holding a link to the outside goes without what the link leads to.
  fs::create_directories(Dir.Path() / "tree");
  fs::create_directory_symlink("../target", Dir.Path() / "tree" / "out");
  EXPECT_TRUE(Os->DeleteDirectory(Dir.File("tree")));
  EXPECT_FALSE(fs::exists(Dir.Path() / "tree"));
  EXPECT_EQ(ReadText(Dir.File("target/keep.txt")), "kept");
  EXPECT_FALSE(Os->DeleteDirectory(Dir.File("tree")));
}

TEST_F(PosixFileServices, LinksAreListedAsLinksAndShareTheirTargetsIdentity) {
  namespace fs = std::filesystem;
  fs::create_directories(Dir.Path() / "d");
  WriteText(Dir.File("f.txt"), "x");
  fs::create_directory_symlink("d", Dir.Path() / "to-d");
  fs::create_symlink("f.txt", Dir.Path() / "to-f");
  std::vector<std::string> listed;
  for (const OsServices::TDirEntry& entry : Os->ListDirectory(Dir.File(""))) {
    listed.push_back(entry.Name + (entry.IsDirectory ? "/" : "") + (entry.IsLink ? "@" : ""));
  }
  std::sort(listed.begin(), listed.end());
  EXPECT_EQ(listed, (std::vector<std::string>{"d/", "f.txt", "to-d/@", "to-f@"}));
  EXPECT_EQ(Os->GetFileIdentity(Dir.File("to-d")), Os->GetFileIdentity(Dir.File("d")));
  EXPECT_NE(Os->GetFileIdentity(Dir.File("d")), Os->GetFileIdentity(Dir.File("")));
  EXPECT_EQ(Os->GetFileIdentity(Dir.File("missing")), "");
}

TEST_F(PosixFileServices, AWalkThroughLinksToItsOwnFoldersEndsWithEachFileOnce) {
  namespace fs = std::filesystem;
  // "self" and "again" both lead back to the top: followed, the walk would
  // grow with every level until the system's path limit.
  fs::create_directories(Dir.Path() / "sub");
  WriteText(Dir.File("a.txt"), "x");
  WriteText(Dir.File("sub/b.txt"), "x");
  fs::create_directory_symlink(".", Dir.Path() / "self");
  fs::create_directory_symlink("..", Dir.Path() / "sub" / "again");
  std::vector<std::string> files = ListMatchingFiles(*Os, Dir.File(""), "*", true);
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, (std::vector<std::string>{Dir.File("a.txt"), Dir.File("sub/b.txt")}));
}

TEST_F(PosixFileServices, AFileInAFolderThatAdmitsNoNewFileIsWrittenInPlace) {
  if (geteuid() == 0)
    GTEST_SKIP() << "the superuser may create files in any folder";
  std::filesystem::create_directories(Dir.Path() / "locked");
  const std::string file = Dir.File("locked/f.txt");
  WriteText(file, "old");
  ASSERT_EQ(chmod(Dir.File("locked").c_str(), 0555), 0);
  EXPECT_TRUE(Os->SaveBytesToFile(file, "new"));
  EXPECT_EQ(ReadText(file), "new");
  chmod(Dir.File("locked").c_str(), 0755);
}

} // namespace
} // namespace tessera
