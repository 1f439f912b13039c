// The Windows file services on the real system (under Wine in the suite's
// own prefix; temporary folders only): a file's content is replaced in one
// step, keeping its attributes, and devices are refused without waiting;
// junctions are removed and listed, never entered.
#include "platform/win32/os_services_win32.h"

#include "functions/folder_walk.h"
#include "platform/win32/kernel_handle.h"
#include "platform/win32/windows_api.h"
#include "temp_dir.h"

#include <winioctl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
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

// Turns the empty folder `link` into a junction to `target`.
bool SetJunctionTarget(const std::wstring& link, const std::wstring& target) {
  const TKernelHandle folder(CreateFileW(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                         FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                         nullptr));
  DWORD returned = 0;
  if (folder.Valid()) {
    // The mount point record: tag, data length, reserved; then the offsets
    // and lengths of the substitute and print names, and both names, each
    // ended by a NUL.
    const std::wstring substitute = L"\\??\\" + target;
    const size_t names = (substitute.size() + 1 + target.size() + 1) * sizeof(wchar_t);
    std::vector<BYTE> record(16 + names, 0);
    const auto put16 = [&](size_t at, size_t value) {
      const WORD word = static_cast<WORD>(value);
      std::memcpy(record.data() + at, &word, 2);
    };
    const DWORD tag = IO_REPARSE_TAG_MOUNT_POINT;
    std::memcpy(record.data(), &tag, 4);
    put16(4, 8 + names);
    put16(10, substitute.size() * sizeof(wchar_t));
    put16(12, (substitute.size() + 1) * sizeof(wchar_t));
    put16(14, target.size() * sizeof(wchar_t));
    std::memcpy(record.data() + 16, substitute.c_str(), substitute.size() * sizeof(wchar_t));
    std::memcpy(record.data() + 16 + (substitute.size() + 1) * sizeof(wchar_t), target.c_str(),
                target.size() * sizeof(wchar_t));
    return DeviceIoControl(folder.Get(), FSCTL_SET_REPARSE_POINT, record.data(),
                           static_cast<DWORD>(record.size()), nullptr, 0, &returned, nullptr) != 0;
  }
  return false;
}

// Makes `link` a new junction to the folder `target` (a full path); false
// where the system cannot make one.
bool MakeJunction(const std::wstring& link, const std::wstring& target) {
  if (!CreateDirectoryW(link.c_str(), nullptr))
    return false;
  if (SetJunctionTarget(link, target))
    return true;
  RemoveDirectoryW(link.c_str());
  return false;
}

// Runs a Unix program through Wine in the folder and waits until `done`
// says its work shows (Wine gives no handle to wait on for a Unix program);
// false when it cannot start or nothing shows within ten seconds.
template <typename TDone>
bool RunUnixProgram(const std::wstring& program, std::wstring commandLine,
                    const std::wstring& folder, TDone done) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder.c_str(), &startup, &process))
    return false;
  const TKernelHandle processHandle(process.hProcess);
  const TKernelHandle threadHandle(process.hThread);
  for (const ULONGLONG deadline = GetTickCount64() + 10000; GetTickCount64() < deadline;
       Sleep(10)) {
    if (done())
      return true;
  }
  return false;
}

bool IsReparsePoint(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// Links to folders made for a test, removed again before the test's folder
// goes (a walk through a link back up would not end).
class TFolderLinks {
public:
  enum class TKind { None, Junction, UnixLink };

  TFolderLinks() = default;
  ~TFolderLinks() {
    for (const auto& [link, folder] : FUnixLinks) {
      if (IsReparsePoint(link))
        RunUnixProgram(L"Z:\\bin\\rm", L"rm " + link.substr(folder.size() + 1), folder,
                       [&link] { return !IsReparsePoint(link); });
    }
    for (const std::wstring& junction : FJunctions)
      RemoveDirectoryW(junction.c_str());
  }
  TFolderLinks(const TFolderLinks&) = delete;
  TFolderLinks& operator=(const TFolderLinks&) = delete;

  // Makes `name` in `folder` a link to the folder `relative` ("/" between
  // names, from `folder`): a junction, or where the system makes none
  // (Wine 8), a Unix symbolic link made by the Unix "ln", which Wine shows
  // as a reparse point without a tag.
  TKind Make(std::string folder, const std::string& name, const std::string& relative) {
    if (folder.ends_with('\\'))
      folder.pop_back();
    const std::wstring wideFolder = Widen(folder);
    const std::wstring link = wideFolder + L"\\" + Widen(name);
    std::wstring target = wideFolder + L"\\" + Widen(relative);
    std::replace(target.begin(), target.end(), L'/', L'\\');
    wchar_t full[MAX_PATH] = {};
    if (GetFullPathNameW(target.c_str(), MAX_PATH, full, nullptr) == 0)
      return TKind::None;
    if (MakeJunction(link, full)) {
      FJunctions.push_back(link);
      return TKind::Junction;
    }
    FUnixLinks.emplace_back(link, wideFolder);
    if (RunUnixProgram(L"Z:\\bin\\ln", L"ln -s " + Widen(relative) + L" " + Widen(name), wideFolder,
                       [&link] { return IsReparsePoint(link); }))
      return TKind::UnixLink;
    return TKind::None;
  }

private:
  std::vector<std::wstring> FJunctions;
  std::vector<std::pair<std::wstring, std::wstring>> FUnixLinks; // link, its folder
};

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

TEST(Win32FileServices, ALinkIsListedAndRemovedButNeverEntered) {
  TTempDir dir;
  TFolderLinks links;
  Win32OsServices os;
  ASSERT_TRUE(os.CreateDir(dir.File("target")));
  ASSERT_TRUE(os.SaveBytesToFile(dir.File("target\\keep.txt"), "kept"));
  const TFolderLinks::TKind kind = links.Make(dir.File(""), "link", "target");
  if (kind == TFolderLinks::TKind::None)
    GTEST_SKIP() << "this system makes no links";
  std::vector<std::string> listed;
  for (const OsServices::TDirEntry& entry : os.ListDirectory(dir.File("")))
    listed.push_back(entry.Name + (entry.IsDirectory ? "/" : "") + (entry.IsLink ? "@" : ""));
  std::sort(listed.begin(), listed.end());
  EXPECT_EQ(listed, (std::vector<std::string>{"link/@", "target/"}));

  // A link inside a folder that goes, and one named with a separator. A
  // junction goes by itself; a Unix link under Wine cannot (Wine would
  // remove what it leads to), so the deletion is refused and nothing goes.
  ASSERT_TRUE(os.CreateDir(dir.File("tree")));
  ASSERT_EQ(links.Make(dir.File("tree"), "out", "../target"), kind);
  const bool removable = kind == TFolderLinks::TKind::Junction;
  EXPECT_EQ(os.DeleteDirectory(dir.File("tree")), removable);
  EXPECT_EQ(os.DirectoryExists(dir.File("tree")), !removable);
  EXPECT_EQ(os.DeleteDirectory(dir.File("link") + "\\"), removable);
  EXPECT_EQ(ReadText(dir.File("target\\keep.txt")), "kept");
  if (removable)
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"target"});
  else
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"link", "target", "tree"}));
}

TEST(Win32FileServices, AWalkThroughALinkToItsOwnFolderEndsWithEachFileOnce) {
  TTempDir dir;
  TFolderLinks links;
  Win32OsServices os;
  ASSERT_TRUE(os.SaveBytesToFile(dir.File("a.txt"), "x"));
  if (links.Make(dir.File(""), "self", ".") == TFolderLinks::TKind::None)
    GTEST_SKIP() << "this system makes no links";
  EXPECT_EQ(ListMatchingFiles(os, dir.File(""), "*", true),
            std::vector<std::string>{dir.File("a.txt")});
}

} // namespace
} // namespace tessera
