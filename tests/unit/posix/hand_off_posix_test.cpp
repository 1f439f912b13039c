// Linux hand-off tokens: a token file vouches only while the process that
// made it runs, and only a private file of this user counts.
#include "platform/api/os_services.h"
#include "platform/posix/user_runtime_folder.h"

#include "scoped_runtime_dir.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tessera {
namespace {

class HandOffPosix : public ::testing::Test {
protected:
  // The one token file in the runtime folder.
  std::string TokenFile() const {
    for (const std::string& name : Dir.Names())
      if (name.ends_with(".hand-off"))
        return Dir.File(name);
    return {};
  }

  testing::TTempDir Dir;
  testing::TScopedRuntimeDir RuntimeDir{Dir.File("")};
  std::unique_ptr<OsServices> Os = CreateOsServices();
};

TEST_F(HandOffPosix, AProcessThatEndedVouchesForNothingThoughItsFileStays) {
  int toParent[2];
  int toChild[2];
  ASSERT_EQ(pipe(toParent), 0);
  ASSERT_EQ(pipe(toChild), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // Publishes, tells the proof, waits for the word, and ends without
    // cleaning up, as a process that is killed does.
    close(toParent[0]);
    close(toChild[1]);
    const std::string proof = CreateOsServices().release()->PublishHandOffToken("app");
    (void)!write(toParent[1], proof.data(), proof.size());
    close(toParent[1]);
    char word = 0;
    (void)!read(toChild[0], &word, 1);
    _exit(0);
  }
  close(toParent[1]);
  close(toChild[0]);
  char buffer[128] = {};
  const ssize_t got = read(toParent[0], buffer, sizeof buffer - 1);
  close(toParent[0]);
  ASSERT_GT(got, 0);
  const std::string proof(buffer, static_cast<size_t>(got));
  EXPECT_TRUE(Os->IsHandOffTokenValid("app", proof));
  close(toChild[1]);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_FALSE(TokenFile().empty());
  EXPECT_FALSE(Os->IsHandOffTokenValid("app", proof));
}

TEST_F(HandOffPosix, OnlyAPrivateFileCounts) {
  const std::string proof = Os->PublishHandOffToken("app");
  const std::string file = TokenFile();
  ASSERT_FALSE(file.empty());
  struct stat info {};
  ASSERT_EQ(stat(file.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  std::unique_ptr<OsServices> checker = CreateOsServices();
  EXPECT_TRUE(checker->IsHandOffTokenValid("app", proof));
  ASSERT_EQ(chmod(file.c_str(), 0644), 0);
  EXPECT_FALSE(checker->IsHandOffTokenValid("app", proof));
}

TEST_F(HandOffPosix, OnlyAPrivateRuntimeFolderOfThisUserIsUsed) {
  // Anything else falls back to a private folder of our own in /tmp.
  const std::string fallback = "/tmp/tessera-" + std::to_string(getuid());
  ASSERT_EQ(mkdir(Dir.File("open").c_str(), 0755), 0);
  ASSERT_EQ(mkdir(Dir.File("private").c_str(), 0700), 0);
  ASSERT_EQ(symlink(Dir.File("private").c_str(), Dir.File("link").c_str()), 0);
  struct TCase {
    std::string Runtime;
    std::string Used;
  };
  const TCase cases[] = {
      {Dir.File("private"), Dir.File("private")},
      {Dir.File("open"), fallback},
      {Dir.File("link"), fallback},
      {Dir.File("missing"), fallback},
      {"relative", fallback},
      {"", fallback},
  };
  for (const TCase& c : cases) {
    testing::TScopedRuntimeDir runtime(c.Runtime);
    if (c.Runtime == Dir.File("open")) {
      ASSERT_EQ(chmod(c.Runtime.c_str(), 0755), 0);
    }
    EXPECT_EQ(UserRuntimeFolder(), c.Used) << c.Runtime;
    EXPECT_EQ(UserRuntimeFile("a/b", ".lock"), c.Used + "/tessera-a_b.lock") << c.Runtime;
  }
  struct stat info {};
  ASSERT_EQ(lstat(fallback.c_str(), &info), 0);
  EXPECT_TRUE(S_ISDIR(info.st_mode));
  EXPECT_EQ(info.st_mode & 0777, 0700u);
}

} // namespace
} // namespace tessera
