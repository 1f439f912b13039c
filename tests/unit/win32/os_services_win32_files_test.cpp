// The Windows file services on the real system (under Wine in the suite's
// own prefix; temporary folders only): a file's content is replaced in one
// step, keeping its attributes, and devices are refused without waiting.
#include "platform/win32/os_services_win32.h"

#include "platform/win32/kernel_handle.h"
#include "platform/win32/windows_api.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace tessera {
namespace {

using testing::ReadText;
using testing::TTempDir;
using win32::TKernelHandle;
using win32::Widen;

// Another program's handle on the file, reading it with this sharing.
TKernelHandle OpenShared(const std::string& path, DWORD share) {
  return TKernelHandle(CreateFileW(Widen(path).c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
}

// Whether a temporary file of ours stayed in the folder.
bool LeftSomethingBehind(const TTempDir& dir) {
  const std::vector<std::string> names = dir.Names();
  return std::any_of(names.begin(), names.end(),
                     [](const std::string& name) { return name.starts_with("~tessera"); });
}

TEST(Win32FileServices, AReplacedFileKeepsItsAttributes) {
  TTempDir dir;
  Win32OsServices os;
  const std::string file = dir.File("notes.txt");
  ASSERT_TRUE(os.SaveBytesToFile(file, "old content"));
  ASSERT_TRUE(SetFileAttributesW(Widen(file).c_str(), FILE_ATTRIBUTE_HIDDEN));
  ASSERT_TRUE(os.SaveBytesToFile(file, "new"));
  EXPECT_EQ(ReadText(file), "new");
  EXPECT_NE(GetFileAttributesW(Widen(file).c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"notes.txt"});
}

TEST(Win32FileServices, AFileHeldOpenIsWrittenWhereSharingAllowsAndKeptWhereNot) {
  TTempDir dir;
  Win32OsServices os;
  const std::string file = dir.File("held.txt");
  ASSERT_TRUE(os.SaveBytesToFile(file, "old"));
  {
    // Another program lets others read and write, but not rename: the
    // file is written in place, as it always could be.
    const TKernelHandle other = OpenShared(file, FILE_SHARE_READ | FILE_SHARE_WRITE);
    ASSERT_TRUE(other.Valid());
    EXPECT_TRUE(os.SaveBytesToFile(file, "new"));
  }
  EXPECT_EQ(ReadText(file), "new");
  {
    const TKernelHandle other = OpenShared(file, 0);
    ASSERT_TRUE(other.Valid());
    EXPECT_FALSE(os.SaveBytesToFile(file, "lost"));
    EXPECT_FALSE(os.LastSystemErrorText().empty());
  }
  EXPECT_EQ(ReadText(file), "new");
  EXPECT_FALSE(LeftSomethingBehind(dir));
}

TEST(Win32FileServices, DevicesAndPipesAreRefusedWithoutWaiting) {
  TTempDir dir;
  Win32OsServices os;
  // A pipe whose server never reads: a writer could wait for ever.
  const std::wstring pipeName =
      L"\\\\.\\pipe\\tessera-test-" + std::to_wstring(GetCurrentProcessId());
  const TKernelHandle server(CreateNamedPipeW(pipeName.c_str(), PIPE_ACCESS_INBOUND,
                                              PIPE_TYPE_BYTE | PIPE_WAIT, 1, 0, 0, 0, nullptr));
  ASSERT_TRUE(server.Valid());
  EXPECT_FALSE(os.SaveBytesToFile(win32::Narrow(pipeName), "x"));
  EXPECT_FALSE(os.LastSystemErrorText().empty());
  EXPECT_FALSE(os.SaveBytesToFile(dir.File("CON"), "x"));
  EXPECT_TRUE(dir.Names().empty());
}

} // namespace
} // namespace tessera
