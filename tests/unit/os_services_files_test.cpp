// The platform's own OS services (Win32 under Wine, or Linux) on real files
// in a temporary folder and real console commands.
#include "platform/api/os_services.h"

#include "base/exceptions.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <optional>
#include <random>
#include <regex>
#include <string>
#include <vector>

namespace tessera {
namespace {

// Points XDG_RUNTIME_DIR (Linux) at a folder for one test.
class TScopedRuntimeDir {
public:
  explicit TScopedRuntimeDir(const std::string& folder) {
#ifndef _WIN32
    const char* old = std::getenv("XDG_RUNTIME_DIR");
    FOld = old != nullptr ? std::optional<std::string>(old) : std::nullopt;
    setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
#else
    (void)folder;
#endif
  }
  ~TScopedRuntimeDir() {
#ifndef _WIN32
    if (FOld)
      setenv("XDG_RUNTIME_DIR", FOld->c_str(), 1);
    else
      unsetenv("XDG_RUNTIME_DIR");
#endif
  }
  TScopedRuntimeDir(const TScopedRuntimeDir&) = delete;
  TScopedRuntimeDir& operator=(const TScopedRuntimeDir&) = delete;

private:
  std::optional<std::string> FOld;
};

class SystemOsServices : public ::testing::Test {
protected:
  bool OnWindows() const { return Os->PathDelimiter() == '\\'; }
  std::string NewLine() const { return OnWindows() ? "\r\n" : "\n"; }

  std::unique_ptr<OsServices> Os = CreateOsServices();
  testing::TTempDir Dir;
};

TEST_F(SystemOsServices, FilesAndFoldersAreToldApartAndListed) {
  const std::string file = Dir.File("f.txt");
  const std::string folder = Dir.File("sub");
  ASSERT_TRUE(Os->SaveBytesToFile(file, "x"));
  EXPECT_TRUE(Os->CreateDir(folder));
  EXPECT_FALSE(Os->CreateDir(folder));
  EXPECT_FALSE(Os->CreateDir(Dir.File("missing") + Os->PathDelimiter() + "child"));

  EXPECT_TRUE(Os->FileExists(file));
  EXPECT_FALSE(Os->FileExists(folder));
  EXPECT_TRUE(Os->DirectoryExists(folder));
  EXPECT_FALSE(Os->DirectoryExists(file));
  EXPECT_FALSE(Os->RemoveFile(folder));
  EXPECT_TRUE(Os->DirectoryExists(folder));

  ASSERT_TRUE(Os->SaveBytesToFile(Dir.File("sub") + Os->PathDelimiter() + ".hidden", ""));
  std::vector<std::string> listed;
  for (const OsServices::TDirEntry& entry : Os->ListDirectory(Dir.File("")))
    listed.push_back(entry.Name + (entry.IsDirectory ? "/" : ""));
  std::sort(listed.begin(), listed.end());
  EXPECT_EQ(listed, (std::vector<std::string>{"f.txt", "sub/"}));
  ASSERT_EQ(Os->ListDirectory(folder).size(), 1u);
  EXPECT_EQ(Os->ListDirectory(folder)[0].Name, ".hidden");
  EXPECT_THROW(Os->ListDirectory(Dir.File("missing")), EFileError);

  EXPECT_TRUE(Os->RemoveFile(file));
  EXPECT_FALSE(Os->FileExists(file));
  EXPECT_TRUE(Os->DeleteDirectory(folder));
  EXPECT_FALSE(Os->DirectoryExists(folder));
}

TEST_F(SystemOsServices, SavingReplacesTheWholeFileAndLeavesNothingElseBehind) {
  const std::string file = Dir.File("f.txt");
  ASSERT_TRUE(Os->SaveBytesToFile(file, "a longer old content"));
  for (const std::string content : {"new", ""}) {
    ASSERT_TRUE(Os->SaveBytesToFile(file, content));
    std::string bytes = "unread";
    ASSERT_TRUE(Os->LoadBytesFromFile(file, bytes));
    EXPECT_EQ(bytes, content);
  }
  // A folder is no file: it is refused and stays what it was.
  ASSERT_TRUE(Os->CreateDir(Dir.File("sub")));
  EXPECT_FALSE(Os->SaveBytesToFile(Dir.File("sub"), "x"));
  EXPECT_TRUE(Os->DirectoryExists(Dir.File("sub")));

  std::vector<std::string> listed;
  for (const OsServices::TDirEntry& entry : Os->ListDirectory(Dir.File("")))
    listed.push_back(entry.Name);
  std::sort(listed.begin(), listed.end());
  EXPECT_EQ(listed, (std::vector<std::string>{"f.txt", "sub"}));
}

TEST_F(SystemOsServices, AFolderHasOneIdentityHoweverItIsNamed) {
  const std::string top = Dir.File("");
  const std::string sub = Dir.File("sub");
  ASSERT_TRUE(Os->CreateDir(sub));
  const std::string identity = Os->GetFileIdentity(top);
  ASSERT_FALSE(identity.empty());
  EXPECT_EQ(Os->GetFileIdentity(sub + Os->PathDelimiter() + ".."), identity);
  EXPECT_NE(Os->GetFileIdentity(sub), identity);
  EXPECT_EQ(Os->GetFileIdentity(Dir.File("missing")), "");
}

TEST_F(SystemOsServices, AFailureLeavesTheSystemsReasonWithoutTheFullStop) {
  const std::string target = Dir.File("missing") + Os->PathDelimiter() + "f.txt";
  ASSERT_FALSE(Os->SaveBytesToFile(target, "x"));
  const std::string reason = Os->LastSystemErrorText();
  ASSERT_FALSE(reason.empty());
  EXPECT_NE(reason.back(), '.');
  EXPECT_GT(static_cast<unsigned char>(reason.back()), ' ');
}

TEST_F(SystemOsServices, StandardFoldersEndInTheDelimiter) {
  const char delimiter = Os->PathDelimiter();
  for (const std::string& folder : {Os->GetTempDirPath(), Os->GetUserDocumentsDirPath(),
                                    Os->GetUserDesktopDirPath(), Os->GetUserAppDataDirPath()}) {
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), delimiter) << folder;
  }
  EXPECT_TRUE(Os->DirectoryExists(Os->GetTempDirPath()));
}

TEST_F(SystemOsServices, DosOutputCapturesBothStreamsInTheWorkingFolder) {
  EXPECT_EQ(Os->GetDosOutput("echo hello", "", false), "hello" + NewLine());
  // cmd keeps the blank before the redirection.
  EXPECT_EQ(Os->GetDosOutput("echo oops 1>&2", "", false), OnWindows() ? "oops \r\n" : "oops\n");

  ASSERT_TRUE(Os->SaveBytesToFile(Dir.File("marker.txt"), "in here"));
  const std::string show = OnWindows() ? "type marker.txt" : "cat marker.txt";
  EXPECT_EQ(Os->GetDosOutput(show, Dir.File(""), false), "in here");

  // The interpreter's complaint about an unknown command comes through
  // standard error; a working folder that does not exist starts nothing.
  EXPECT_FALSE(Os->GetDosOutput("no_such_command_tessera", "", false).empty());
  EXPECT_EQ(Os->GetDosOutput("echo hello", Dir.File("missing"), false), "");
}

TEST_F(SystemOsServices, TheInstanceMarkerIsHeldUntilLetGo) {
  // A second services object stands for a second process: a mutex name
  // (Windows) or a file lock (Linux) is shared by both within one process.
  // Linux keeps its lock files in the runtime folder, here the test's own.
  TScopedRuntimeDir runtimeDir(Dir.File(""));
  const std::string name = "tessera-test-marker-" + std::to_string(std::random_device()());
  std::unique_ptr<OsServices> other = CreateOsServices();
  EXPECT_FALSE(Os->CreateSingleInstanceMarker(name));
  EXPECT_TRUE(other->CreateSingleInstanceMarker(name));
  other->ReleaseSingleInstanceMarker();

  EXPECT_EQ(Os->ReleaseSingleInstanceMarker(), name);
  EXPECT_EQ(Os->ReleaseSingleInstanceMarker(), "");
  EXPECT_FALSE(other->CreateSingleInstanceMarker(name));
  EXPECT_TRUE(Os->CreateSingleInstanceMarker(name));
}

TEST_F(SystemOsServices, MacAddressLinesAreWellFormed) {
  const std::regex line("[EWU],([0-9A-F]{2}:){5}[0-9A-F]{2}");
  for (const std::string& address : Os->GetMacAddresses()) {
    EXPECT_TRUE(std::regex_match(address, line)) << address;
    EXPECT_EQ(address.find("00:00:00:00:00:00"), std::string::npos);
  }
}

} // namespace
} // namespace tessera
