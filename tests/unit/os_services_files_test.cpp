// The platform's own OS services (Win32 under Wine, or Linux) on real files
// in a temporary folder and real console commands.
#include "platform/api/os_services.h"

#include "base/exceptions.h"
#include "scoped_runtime_dir.h"
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
  testing::TScopedRuntimeDir runtimeDir(Dir.File(""));
  const std::string name = "tessera-test-marker-" + std::to_string(std::random_device()());
  std::unique_ptr<OsServices> other = CreateOsServices();
  EXPECT_FALSE(Os->CreateSingleInstanceMarker(name));
  EXPECT_TRUE(other->CreateSingleInstanceMarker(name));
  other->ReleaseSingleInstanceMarker();

  EXPECT_EQ(Os->ReleaseSingleInstanceMarker(), name);
  EXPECT_EQ(Os->ReleaseSingleInstanceMarker(), "");
  EXPECT_FALSE(other->CreateSingleInstanceMarker(name));
  EXPECT_TRUE(Os->CreateSingleInstanceMarker(name));

  // A process that found it held and runs on beside the first (a start at
  // a page) keeps the application marked once the first has ended.
  std::unique_ptr<OsServices> third = CreateOsServices();
  other.reset();
  EXPECT_TRUE(third->CreateSingleInstanceMarker(name));
  Os.reset();
  EXPECT_TRUE(CreateOsServices()->CreateSingleInstanceMarker(name));
}

TEST_F(SystemOsServices, AHandOffTokenIsGoodWhileItsPublisherRuns) {
  // A second services object stands for the process the first one starts;
  // Linux keeps the tokens in the runtime folder, here the test's own.
  testing::TScopedRuntimeDir runtimeDir(Dir.File(""));
  const std::string app = "tessera-test-app-" + std::to_string(std::random_device()());
  std::unique_ptr<OsServices> child = CreateOsServices();
  const std::string proof = Os->PublishHandOffToken(app);
  ASSERT_FALSE(proof.empty());
  EXPECT_EQ(proof.find(' '), std::string::npos);
  EXPECT_TRUE(child->IsHandOffTokenValid(app, proof));

  const std::string processID = proof.substr(0, proof.find(':'));
  std::string altered = proof;
  altered.back() = altered.back() == '0' ? '1' : '0';
  for (const std::string& forged :
       {altered, std::string(), processID + ":", processID, proof + "0", "../" + proof,
        processID + ":" + std::string(32, 'g'), "1:" + proof.substr(proof.find(':') + 1)}) {
    EXPECT_FALSE(child->IsHandOffTokenValid(app, forged)) << forged;
  }
  EXPECT_FALSE(child->IsHandOffTokenValid(app + "-other", proof));

  // A new token replaces the old one; a publisher that has ended vouches
  // for nothing.
  const std::string renewed = Os->PublishHandOffToken(app);
  EXPECT_TRUE(child->IsHandOffTokenValid(app, renewed));
  EXPECT_FALSE(child->IsHandOffTokenValid(app, proof));
  Os.reset();
  EXPECT_FALSE(child->IsHandOffTokenValid(app, renewed));
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
